#pragma once
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

struct AppContext;

// What the ticket browser shows and prints for one ticket number.
class TicketBrowser {
public:
    static const QString RowsSql;   // ZQ20: the ticket's joined rows
    static const QString SumsSql;   // ZQ23: the sums of its nets

    // Detail fields by control name: Edit1..Edit24 of the four groups, the
    // sums Edit35, Edit52, Edit51, and the columns of the tabs "Adat",
    // "Termelö" and "Rendszám" under their column names.
    using Fields = QMap<QString, QString>;
    static QStringList dataColumns();   // tab "Adat"
    static QStringList producerColumns();   // tab "Termelö"
    static QStringList plateColumns();   // tab "Rendszám"

    explicit TicketBrowser(AppContext& ctx);

    // Show detail for the ticket number of the list's current line (an
    // empty text when the list is empty).
    Fields showDetail(const QString& ticket);
    // "Nyomtatás": asks, then prints the ticket copy from the ticket's rows
    // in ZQ23 (TicketDocument::openRows, the read of the ticket print) with
    // the same variables and settlement as the original. True when printed.
    // A voided ticket's copy carries "SZTORNÓ", the reason, the time and
    // the number issued in its place; a ticket issued in place of another
    // names that one (setVoidVariables).
    bool printCopy(const QString& ticket);

    // The copy's variables of a void: v_sztorno ("SZTORNÓ"), v_sztorno_ok
    // (the reason), v_sztorno_ido (when and where), v_helyette ("helyette:
    // M") and v_helyett ("A(z) N. sz. mérlegjegy helyett"); each empty where
    // it does not apply.
    void setVoidVariables(const QString& ticket);

private:
    AppContext& m_ctx;
};
