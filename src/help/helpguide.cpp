#include "helpguide.h"

#include <QFile>
#include <QMessageBox>
#include <QWidget>

static void initHelpResource()
{
    // The guide lives in a static library's resources: register them here.
    Q_INIT_RESOURCE(help);
}

namespace HelpGuide {

QString markdown()
{
    initHelpResource();
    QFile f(QStringLiteral(":/help/kezelesi-utmutato.md"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("# Kezelési útmutató\n\nA kezelési útmutató nem olvasható.\n");
    return QString::fromUtf8(f.readAll());
}

QString messagesSection()
{
    return QStringLiteral("Üzenetek és teendők");
}
QString mainSection()
{
    return QStringLiteral("A főablak és a menü");
}

const QList<QPair<QString, QString>>& windowSections()
{
    static const QString registers = QStringLiteral("Törzsadatok: rendszám, termelő, termény, raktár");
    static const QList<QPair<QString, QString>> map = {
            {QStringLiteral("TForm1"), mainSection()},
            {QStringLiteral("TAboutBox"), mainSection()},
            {QStringLiteral("TForm4"), QStringLiteral("Egy nap munkája: az érkezéstől a mérlegjegyig")},
            {QStringLiteral("TForm15"), QStringLiteral("Érkezés: a jármű beléptetése")},
            {QStringLiteral("TForm14"), QStringLiteral("A mérlegelés ablak")},
            {QStringLiteral("TForm17"), QStringLiteral("Mérlegjegy újranyomtatása")},
            {QStringLiteral("TForm18"), QStringLiteral("Készlet")},
            {QStringLiteral("SztornoDialog"), QStringLiteral("Hibás mérlegjegy: sztornó és javítás")},
            {QStringLiteral("JavitasDialog"), QStringLiteral("Hibás mérlegjegy: sztornó és javítás")},
            {QStringLiteral("TForm5"), registers},   // plates
            {QStringLiteral("TForm7"), registers},
            {QStringLiteral("TForm8"), registers},   // producers
            {QStringLiteral("TForm9"), registers},
            {QStringLiteral("TForm10"), registers},   // crops
            {QStringLiteral("TForm11"), registers},
            {QStringLiteral("TForm12"), registers},   // warehouses
            {QStringLiteral("TForm13"), registers},
            {QStringLiteral("TForm16"), QStringLiteral("A mérleg soros portja")},
            {QStringLiteral("TForm19"), QStringLiteral("Archiválás")},
            {QStringLiteral("TForm20"), QStringLiteral("Exportálás Excel-táblába")},
            {QStringLiteral("TForm22"), QStringLiteral("Cégadatok")},
            {QStringLiteral("TFormAlibi"), QStringLiteral("Alibi napló")},
            {QStringLiteral("ReportPreview"), QStringLiteral("Nyomtatás és előnézet")},
    };
    return map;
}

QString sectionFor(const QString& objectName)
{
    for (const auto& p : windowSections())
        if (p.first == objectName)
            return p.second;
    return QString();
}

QString sectionForWindow(const QWidget* window)
{
    if (qobject_cast<const QMessageBox*>(window))
        return messagesSection();
    const QWidget* w = window ? window->window() : nullptr;
    while (w) {
        const QString s = sectionFor(w->objectName());
        if (!s.isEmpty())
            return s;
        w = w->parentWidget() ? w->parentWidget()->window() : nullptr;
    }
    return mainSection();
}

}   // namespace HelpGuide
