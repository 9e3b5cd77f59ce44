// Not a test: shows the Alibi napló window on a real display, with an entry
// found by its ticket, the check half-way through a longer log, its result,
// and the result over a tampered log, and takes a screenshot of each.
//   xvfb-run -a -s '-screen 0 1280x1024x24' env QT_QPA_PLATFORM=xcb \
//     VELLO_TEST_SOCKET=... VELLO_TEST_PORT=... build/alibi_screens OUTDIR
#include "alibi/alibiwindow.h"
#include "alibifixture.h"
#include "ui/qtprompt.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <functional>

using namespace alibitest;

namespace {

QString g_out = QStringLiteral("/tmp");

void settle()
{
    for (int i = 0; i < 40; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(25);
    }
}

void shootScreen(const QString& name)
{
    settle();
    const QString file = QStringLiteral("%1/%2.png").arg(g_out, name);
    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    QTextStream(stdout) << name << " -> " << file << Qt::endl;
}

// The next message box is photographed and closed.
void answerNextBox(const QString& name)
{
    QTimer::singleShot(300, [name] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                shootScreen(name);
                box->accept();
                return;
            }
        answerNextBox(name);
    });
}

}   // namespace

int main(int argc, char** argv)
{
    QApplication a(argc, argv);
    if (argc > 1)
        g_out = QString::fromLocal8Bit(argv[1]);
    TestApp app;
    AlibiLog log(app.data, QStringLiteral("merleghaz-1"));
    const qint64 in = log.append(scaleReading(24560, QStringLiteral("/dev/ttyUSB0")));
    const qint64 out = log.append(scaleReading(11220, QStringLiteral("/dev/ttyUSB0")));
    log.link(in, 41, 1, AlibiLog::In);
    log.link(out, 41, 1, AlibiLog::Out);
    oldTicketLinks(app.data, app.db, 41, QStringLiteral("1207"));
    for (int i = 0; i < 400; ++i)
        log.append(i % 7 ? scaleReading(1000 + 37 * i) : typedReading(900 + i));
    QtPrompt prompt;
    AppContext ctx(app.data, prompt);

    AlibiWindow w(ctx);
    w.setVerifyPageSize(20);
    w.show();
    w.move(0, 0);
    settle();
    w.findChild<QLineEdit*>(QStringLiteral("EditTicket"))->setText(QStringLiteral("1207"));
    w.findChild<QPushButton*>(QStringLiteral("ButtonFindTicket"))->click();
    shootScreen(QStringLiteral("alibi-ticket"));

    // half-way: photographed from the progress bar's own signal
    bool shot = false;
    auto* bar = w.findChild<QProgressBar*>(QStringLiteral("ProgressVerify"));
    QObject::connect(bar, &QProgressBar::valueChanged, &w, [&shot](int v) {
        if (!shot && v >= 450) {
            shot = true;
            QTextStream(stdout) << "progress " << v << Qt::endl;
            QProcess::execute(QStringLiteral("import"),
                    {QStringLiteral("-window"), QStringLiteral("root"), g_out + QStringLiteral("/alibi-progress.png")});
        }
    });
    answerNextBox(QStringLiteral("alibi-verified"));
    QEventLoop wait;
    QObject::connect(&w, &AlibiWindow::verificationEnded, &wait, &QEventLoop::quit);
    w.findChild<QPushButton*>(QStringLiteral("ButtonVerify"))->click();
    wait.exec();
    settle();

    app.db.exec(QStringLiteral("UPDATE %1 SET suly = 24000 WHERE nr = %2").arg(naplo(app.db)).arg(in));
    w.findChild<QLineEdit*>(QStringLiteral("EditNumber"))->setText(QString::number(in));
    w.findChild<QPushButton*>(QStringLiteral("ButtonFindNumber"))->click();
    answerNextBox(QStringLiteral("alibi-tampered"));
    w.findChild<QPushButton*>(QStringLiteral("ButtonVerify"))->click();
    wait.exec();
    shootScreen(QStringLiteral("alibi-after-tampering"));
    return 0;
}
