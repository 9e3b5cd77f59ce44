// Not a test: shows the ticket browser's void and reissue dialogs on a real
// display and takes a screenshot of each, for looking at the layout.
//   xvfb-run -a -s '-screen 0 1280x1024x24' env QT_QPA_PLATFORM=xcb \
//     VELLO_TEST_SOCKET=... VELLO_TEST_PORT=... build/tests/void_screens OUTDIR
#include "ticketvoidfixture.h"
#include "widgets.h"

#include "tickets/ticketbrowserwindow.h"
#include "weighing/ticketcorrection.h"

#include <QApplication>
#include <QProcess>
#include <QTextStream>
#include <QThread>

using namespace VoidFixture;

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

}   // namespace

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    if (argc > 1)
        g_out = QString::fromLocal8Bit(argv[1]);
    TestApp app;
    seedRegisters(app.db);
    weighTicket(app, QStringLiteral("B"), false);
    weighTicket(app, QStringLiteral("B"), true, QStringLiteral("2"));
    app.prompt.setLenient(true, false);
    app.host.expect(QStringLiteral("TForm17"), [&](QDialog& d) {
        shoot(d, QStringLiteral("tform17"));
        TestUi::click(d, QStringLiteral("VoidButton"));
        TestUi::click(*d.findChild<QWidget*>(QStringLiteral("DBNavigator1")), QStringLiteral("Next"));
        TestUi::click(d, QStringLiteral("ReissueButton"));
        TestUi::click(d, QStringLiteral("Button5"));
    });
    app.host.expect(QStringLiteral("SztornoDialog"), [&](QDialog& d) {
        TestUi::setText(d, QStringLiteral("reason"), QStringLiteral("rossz termény, a termelő kérésére javítva"));
        shoot(d, QStringLiteral("sztorno"));
        TestUi::click(d, QStringLiteral("Button5"));
    });
    app.host.expect(QStringLiteral("JavitasDialog"), [&](QDialog& d) {
        TestUi::setText(d, QStringLiteral("reason"), QStringLiteral("rossz termelő"));
        shoot(d, QStringLiteral("javitas"));
        TestUi::click(d, QStringLiteral("Button5"));
    });
    openTicketBrowserToCorrect(app.ctx);
    return 0;
}
