#pragma once
#include <QObject>
#include <QString>

class QHeaderView;

// The Hungarian meaning of the column names that the lists show as their
// titles (the pending weighings' "mMozgas", the ticket list's "jBszam", the
// stock lists' "Betarolt", ...): each such header gets it as its tooltip.
namespace ColumnHints {

// The meaning of a column name or of a statement's alias; empty for a title
// that is not a column name (those are Hungarian already).
QString meaning(const QString& column);

// The tooltip of `header`'s section: the meaning of its title.
QString hintAt(const QHeaderView* header, int section);

// Shows hintAt() as the tooltip of the section under the mouse.
void install(QHeaderView* header);

}   // namespace ColumnHints
