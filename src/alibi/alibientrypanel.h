#pragma once
#include <QGroupBox>
#include <QStringList>

struct AlibiEntry;
class AlibiLog;
class QLabel;
class QPlainTextEdit;
class QTableWidget;
class QWidget;

// The read-only grids of the alibi log window.
namespace AlibiGrid {
// A grid of whole rows, one selectable at a time, with `headers`.
QTableWidget* make(QWidget* parent, const QString& name, const QStringList& headers);
// `cells` into the row `row` of `g`.
void setRow(QTableWidget* g, int row, const QStringList& cells);
}   // namespace AlibiGrid

// "Bejegyzés" (GroupEntry) of the alibi log window: one entry's fields, its
// raw frame, whether its chain value still follows from them, and the
// pending weighings and tickets that use its weight.
class AlibiEntryPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit AlibiEntryPanel(QWidget* parent);

    // Shows `e`; its chain check and links are read from `log`. Throws
    // DbError when they cannot be read (the entry's own fields are shown).
    // `brokenByCheck`: the whole log's check found this entry broken, which
    // the detail then says whatever its own link to the one before shows.
    void showEntry(const AlibiEntry& e, AlibiLog& log, bool brokenByCheck = false);
    void clear();

private:
    QLabel* m_entryNumber;
    QLabel* m_time;
    QLabel* m_workstation;
    QLabel* m_source;
    QLabel* m_weight;
    QLabel* m_digits;
    QLabel* m_status;
    QLabel* m_port;
    QLabel* m_chain;
    QPlainTextEdit* m_frame;
    QTableWidget* m_links;
};
