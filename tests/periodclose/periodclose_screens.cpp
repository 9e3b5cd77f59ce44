// Not a test: shows the archiving and export windows on a real display with
// the archiving question, a refused date and a file that nothing can open,
// and takes a screenshot of each, for looking at the layout.
//   xvfb-run -a -s '-screen 0 1280x1024x24' env QT_QPA_PLATFORM=xcb \
//     VELLO_TEST_SOCKET=... VELLO_TEST_PORT=... build/periodclose_screens OUTDIR
#include "archivefixture.h"
#include "testapp.h"

#include "periodclose/archivingwindow.h"
#include "periodclose/exportwindow.h"
#include "ui/qtprompt.h"

#include <QApplication>
#include <QDateEdit>
#include <QMessageBox>
#include <QPainter>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <functional>

namespace {

QString g_out = QStringLiteral("/tmp");

void settle()
{
    for (int i = 0; i < 40; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(25);
    }
}

// A 1280x1024 picture of the screen: every visible window at its place
// (xcb), or, without a display (offscreen), drawn by the windows themselves.
void shootScreen(const QString& name)
{
    settle();
    const QString file = QStringLiteral("%1/%2.png").arg(g_out, name);
    if (QGuiApplication::platformName() == QLatin1String("xcb")
            && QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file})
                    == 0) {
        QTextStream(stdout) << name << " -> " << file << Qt::endl;
        return;
    }
    QImage screen(1280, 1024, QImage::Format_RGB32);
    screen.fill(QColor(0x40, 0x60, 0x80));
    QPainter p(&screen);
    QList<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            shown << w;
    // Dialogs first, message boxes on top.
    std::stable_sort(shown.begin(), shown.end(),
            [](QWidget* a, QWidget* b) { return !qobject_cast<QMessageBox*>(a) && qobject_cast<QMessageBox*>(b); });
    for (QWidget* w : shown) {
        const QPixmap pix = w->grab();
        const QPoint at = qobject_cast<QMessageBox*>(w) ? QPoint(120, 160) : w->pos();
        p.drawPixmap(at, pix);
        p.setPen(Qt::black);
        p.drawRect(QRect(at, pix.size()).adjusted(0, 0, -1, -1));
    }
    p.end();
    screen.save(file);
    QTextStream(stdout) << name << " -> " << file << Qt::endl;
}

// The next message box is photographed and answered with `button`; then
// `then` runs (for a box that follows it).
void answerNextBox(const QString& name, QMessageBox::StandardButton button, std::function<void()> then = nullptr)
{
    QTimer::singleShot(300, [name, button, then] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                shootScreen(name);
                if (then)
                    then();
                box->button(button) ? box->button(button)->click() : box->accept();
                return;
            }
        answerNextBox(name, button, then);   // not shown yet
    });
}

}   // namespace

int main(int argc, char** argv)
{
    // The export writes and remembers its folder: keep both out of the user's home.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    QApplication a(argc, argv);
    if (argc > 1)
        g_out = QString::fromLocal8Bit(argv[1]);
    TestApp app;
    ArchiveFixture::fill(app.db);
    QtPrompt prompt;
    AppContext ctx(app.data, prompt);

    {
        ArchivingWindow w(ctx);
        w.show();
        w.move(0, 0);
        auto* date = w.findChild<QDateEdit*>(QStringLiteral("DateTimePicker1"));
        date->setDate(QDate(2026, 3, 31));
        settle();
        answerNextBox(QStringLiteral("archiving-question"), QMessageBox::No);
        w.findChild<QPushButton*>(QStringLiteral("Button7"))->click();
        date->setFocus();
        QTest::keyClick(date, Qt::Key_End);
        QTest::keyClick(date, Qt::Key_Backspace);
        QTest::keyClick(date, Qt::Key_Backspace);
        QTest::keyClicks(date, QStringLiteral("0"));
        answerNextBox(QStringLiteral("archiving-bad-date"), QMessageBox::Ok);
        w.findChild<QPushButton*>(QStringLiteral("Button7"))->click();
        date->setDate(QDate(2026, 3, 31));
        answerNextBox(QStringLiteral("archiving-question-yes"), QMessageBox::Yes);
        w.findChild<QPushButton*>(QStringLiteral("Button7"))->click();
        shootScreen(QStringLiteral("archiving-after-run"));
    }
    {
        ExportWindow w(ctx);
        w.setOpener([](const QUrl&) { return false; });
        w.show();
        w.move(0, 0);
        settle();
        answerNextBox(QStringLiteral("export-done"), QMessageBox::Ok,
                [] { answerNextBox(QStringLiteral("export-cannot-open"), QMessageBox::Ok); });
        w.findChild<QPushButton*>(QStringLiteral("Button6"))->click();
        shootScreen(QStringLiteral("export-window"));
    }
    return 0;
}
