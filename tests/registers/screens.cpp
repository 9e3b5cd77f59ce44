// Shows the register windows, the company data window, the ticket browser
// after a search and the port window on a small site, one after the other,
// and takes a shot of the screen with each (run under xvfb-run):
//   registers_screens [folder for the shots, default /tmp]
#include "registerfixture.h"
#include "../tickets/ticketfixture.h"

#include "app/mainwindow.h"
#include "registers/companydatawindow.h"
#include "registers/registerdialog.h"
#include "registers/registerlistwindow.h"
#include "registers/registerstate.h"
#include "scale/portselectionwindow.h"
#include "tickets/ticketbrowserwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

namespace {
QString g_folder = QStringLiteral("/tmp");

void shot(const QString& name)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 700) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    QProcess::execute(QStringLiteral("import"),
            {QStringLiteral("-window"), QStringLiteral("root"),
                    g_folder + QLatin1Char('/') + name + QStringLiteral(".png")});
}
}   // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc > 1)
        g_folder = QString::fromLocal8Bit(argv[1]);
    TestApp site;
    TicketFixture::registers(site.db);
    site.db.exec(
            QStringLiteral("INSERT INTO termelo (oKod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, oBankszla) VALUES "
                           "('3', 'Alföldi Gabonatermelő és Értékesítő Szövetk', '6100', 'Kiskunfélegyháza', "
                           "'Petőfi Sándor utca 112.', '12345678-11', '117000001234567800000000')"));
    site.db.exec(QStringLiteral("UPDATE atvevo SET aNeve = 'Mérlegház Kft.', aIrszam = '6000', aHelyseg = 'Kecskemét', "
                                "aUtca = 'Szegedi út 10.', aAdoszam = '12345678-2-03', aSzeria = 'ttyUSB0'"));
    for (int n = 1; n <= 60; ++n) {
        TicketFixture::Ticket t;
        t.number = QString::number(n);
        t.date = QStringLiteral("2024-03-%1").arg(1 + n % 28, 2, 10, QLatin1Char('0'));
        t.plate = QString::number(1 + n % 2);
        t.producer = QString::number(1 + n % 2);
        TicketFixture::add(site.db, t);
    }
    site.prompt.setLenient(true);
    {
        // The menu reached by keyboard: F10, then the "Segédlet" menu open.
        MainWindow w(site.ctx);
        w.show();
        w.activateWindow();
        shot(QStringLiteral("kb_main"));
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_F10);
        shot(QStringLiteral("kb_main_f10"));
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Escape);
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_S, Qt::AltModifier);
        shot(QStringLiteral("kb_main_help_menu"));
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Escape);
    }
    {
        RegisterListWindow w(site.ctx, RegisterKind::Producers);
        w.show();
        shot(QStringLiteral("op_producers"));
    }
    {
        const RegisterMember& m = registerMember(RegisterKind::Producers);
        registerState(site.ctx).dialogMode = m.newModeText;
        RegisterDialog d(site.ctx, m);
        d.prepare();
        d.show();
        TestUi::setText(d, QStringLiteral("Edit1"), QStringLiteral("Kovács János"));
        TestUi::setText(d, QStringLiteral("Edit5"), QStringLiteral("12345678-1-03"));
        TestUi::click(d, QStringLiteral("Button2"));   // refused: the tax number is too long
        shot(QStringLiteral("op_producer_refused"));
    }
    {
        CompanyDataWindow w(site.ctx);
        w.show();
        shot(QStringLiteral("op_company"));
    }
    {
        TicketBrowserWindow w(site.ctx);
        w.show();
        QCoreApplication::processEvents();
        TestUi::setText(w, QStringLiteral("SearchPlate"), QStringLiteral("xyz"));
        TestUi::setText(w, QStringLiteral("SearchFrom"), QStringLiteral("2024.03.20"));
        TestUi::click(w, QStringLiteral("SearchButton"));
        shot(QStringLiteral("op_browser_search"));
    }
    {
        PortSelectionWindow w(site.ctx);
        w.show();
        shot(QStringLiteral("op_port"));
    }
    return 0;
}
