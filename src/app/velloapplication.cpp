#include "velloapplication.h"

#include "context/appcontext.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "context/unhandled.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

VelloApplication::VelloApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("vello"));
    setApplicationDisplayName(QStringLiteral("Tavrin"));
    setProperty("helpFile", QStringLiteral("vello.hlp"));
}

void VelloApplication::setupLocale()
{
    // Hungarian already writes the decimal comma; dates follow yyyy.MM.dd.
    QLocale hu(QLocale::Hungarian, QLocale::Hungary);
    hu.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(hu);
    auto* qt = new QTranslator(qApp);
    if (qt->load(hu, QStringLiteral("qtbase"), QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        qApp->installTranslator(qt);
    else
        delete qt;
}

bool VelloApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const DbError& e) {
        if (m_ctx)
            Unhandled::report(*m_ctx, e.shownText());
    } catch (const std::exception& e) {
        if (m_ctx)
            Unhandled::report(*m_ctx, QString::fromUtf8(e.what()));
    }
    return false;
}
