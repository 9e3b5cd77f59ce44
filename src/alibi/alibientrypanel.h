#pragma once
#include <QGroupBox>
#include <QStringList>

struct AlibiEntry;
class AlibiLog;
class QLabel;
class QPlainTextEdit;
class QTableView;
class QWidget;

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
    QTableView* m_links;
};
