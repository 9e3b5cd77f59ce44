// Not a test: shows the weighing windows on a real display, one after the
// other, and takes a screenshot of each, for looking at the layout.
//   xvfb-run -a -s '-screen 0 1280x1024x24' env QT_QPA_PLATFORM=xcb \
//     VELLO_TEST_SOCKET=... VELLO_TEST_PORT=... build/weighing_screens OUTDIR
#include "windowfixture.h"

#include "weighing/weighingstate.h"
#include "weighing/weighingwindows.h"

#include <QApplication>
#include <QProcess>
#include <QTabWidget>
#include <QTextStream>
#include <QThread>

using namespace WindowFixture;

namespace {

QString g_out = QStringLiteral("/tmp");

void shoot(QDialog& w, const QString& name)
{
    w.move(0, 0);
    for (int i = 0; i < 60; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(25);
    }
    const QString file = QStringLiteral("%1/%2.png").arg(g_out, name);
    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    QTextStream(stdout) << name << ": " << w.frameGeometry().width() << "x" << w.frameGeometry().height() << " -> "
                        << file << Qt::endl;
}

void tab(QDialog& w, int index)
{
    if (auto* t = w.findChild<QTabWidget*>(QStringLiteral("PageControl1")))
        t->setCurrentIndex(index);
}

}   // namespace

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    if (argc > 1)
        g_out = QString::fromLocal8Bit(argv[1]);
    TestApp app;
    seedRegisters(app);
    // A scale indicator (scale-sim --link PATH) to show in the weighing window.
    const QString port = qEnvironmentVariable("VELLO_SCALE_PORT");
    if (!port.isEmpty()) {
        app.db.exec(QStringLiteral("UPDATE atvevo SET aSzeria = '%1' WHERE IDa = 1").arg(port));
        app.data.ZTable8.refresh();
    }
    app.prompt.setLenient(true, false);
    Pending a {QStringLiteral("12"), QStringLiteral("B"), QStringLiteral("I"), QStringLiteral("1"), 24560, 18230, 9100,
            7020};
    a.crop1 = QStringLiteral("1");
    a.crop2 = QStringLiteral("2");
    a.store1 = QStringLiteral("1");
    a.store2 = QStringLiteral("2");
    a.producer = QStringLiteral("2");
    addPending(app, a);
    addPending(app, {QStringLiteral("13"), QStringLiteral("K"), QStringLiteral("I"), QStringLiteral("2"), 6000, 5000});
    weighingState(app.ctx).weighingNumber = QStringLiteral("12");

    app.host.expect(QStringLiteral("TForm4"), [&](QDialog& w) {
        shoot(w, QStringLiteral("tform4-meres"));
        tab(w, 1);
        shoot(w, QStringLiteral("tform4-adat"));
        tab(w, 2);
        shoot(w, QStringLiteral("tform4-termelo"));
        tab(w, 0);
        click(w, QStringLiteral("Button2"));
        moveTo(w, app.data.ZQ10, QStringLiteral("mBszam"), QStringLiteral("13"));
        click(w, QStringLiteral("Button1"));
    });
    app.host.expect(QStringLiteral("TForm15"), [&](QDialog& w) {
        click(w, QStringLiteral("RadioButton4"));
        click(w, QStringLiteral("CheckBox3"));
        shoot(w, QStringLiteral("tform15"));
        click(w, QStringLiteral("Button1"));
        click(w, QStringLiteral("Button5"));
    });
    app.host.expect(QStringLiteral("TForm5"), [&](QDialog& w) {
        moveTo(w, app.data.ZQ30, QStringLiteral("rKod"), QStringLiteral("3"));
        click(w, QStringLiteral("Button1"));
    });
    app.host.expect(QStringLiteral("TForm14"), [&](QDialog& w) {
        shoot(w, QStringLiteral("tform14-in-trailer"));
        tab(w, 1);
        shoot(w, QStringLiteral("tform14-in-adatok"));
        click(w, QStringLiteral("Button5"));
    });
    app.host.expect(QStringLiteral("TForm14"), [&](QDialog& w) {
        shoot(w, QStringLiteral("tform14-out"));
        tab(w, 1);
        shoot(w, QStringLiteral("tform14-out-adatok"));
        click(w, QStringLiteral("Button5"));
    });
    openVehiclesOnSite(app.ctx);
    return 0;
}
