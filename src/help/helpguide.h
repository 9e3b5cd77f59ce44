#pragma once
#include <QList>
#include <QPair>
#include <QString>

class QWidget;

// The operator's guide (docs/kezelesi-utmutato.md, built into the program) and
// which of its sections belongs to which window. Sections are found by their
// heading text.
namespace HelpGuide {

QString markdown();

// The heading of the section about the window with this objectName; empty
// when the guide has no section of its own for it.
QString sectionFor(const QString& objectName);

// The section for a top-level window: a message box opens the messages, a
// window without a section of its own the section of the window under it,
// and anything else the main window's section.
QString sectionForWindow(const QWidget* window);

// The section of the message list and of the main window.
QString messagesSection();
QString mainSection();

// objectName -> heading, for every window that has a section.
const QList<QPair<QString, QString>>& windowSections();

}   // namespace HelpGuide
