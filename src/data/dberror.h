#pragma once
#include <QSqlError>
#include <QString>
#include <stdexcept>

// A statement that the server (or the client library) refused. `text` is the
// server's own message, shown as it is by whoever reports the failure.
class DbError : public std::runtime_error {
public:
    DbError(const QString& text, int code = 0, const QString& sql = QString())
        : std::runtime_error(text.toStdString()), m_text(text), m_code(code), m_sql(sql)
    {
    }
    // The failure the driver reports: the server's text (the driver's own
    // when the server gave none) and its numeric code.
    static DbError from(const QSqlError& e, const QString& sql = QString())
    {
        const QString text = e.databaseText().isEmpty() ? e.driverText() : e.databaseText();
        return DbError(text, e.nativeErrorCode().toInt(), sql);
    }

    const QString& text() const { return m_text; }
    int code() const { return m_code; }
    const QString& sql() const { return m_sql; }
    // The one list of the client codes of a lost connection: 2006 server
    // gone away, 2013 lost during a query, 2055 lost at a system error,
    // 2002/2003 cannot connect (the server is down).
    static bool lostConnection(int code)
    {
        return code == 2006 || code == 2013 || code == 2055 || code == 2002 || code == 2003;
    }
    bool connectionLost() const { return lostConnection(m_code); }

    // The one text that tells the operator that the connection to the
    // database server is lost (the server was restarted or is down), in
    // every window the same, as the weighing window says it.
    static QString lostConnectionText();
    // What the operator reads for this failure: on a lost connection the
    // text above, otherwise the server's own text.
    QString shownText() const;
    // An operation's own message for a failure with `code`: the message as
    // it is, followed by the lost-connection text when the connection was
    // lost (an empty message stays empty).
    static QString said(const QString& message, int code);
    QString said(const QString& message) const { return said(message, m_code); }
    // A deadlock (1213) or a lock-wait timeout (1205): another workstation
    // held what this statement needed; the write is tried again as a whole.
    static bool lockConflict(int code) { return code == 1213 || code == 1205; }

private:
    QString m_text;
    int m_code;
    QString m_sql;
};
