#pragma once
#include <QString>

class QSettings;

// Where the data module connects: the fixed settings of the system (the
// server on this machine), unless the settings file
// (~/.config/vello/vello.ini) has a [database] section with the keys host,
// port, socket, user, password, ssl-ca, ssl-cert and ssl-key; a key that is missing keeps its fixed
// value, so without the section nothing changes. The program and the tools
// read the same section; tests and the tools' options pass their own.
//
// The password is only ever handed to the client library (or to a child
// process through its environment): never to a log, a message or a command
// line.
struct ConnectionSettings {
    QString host = QStringLiteral("localhost");
    int port = 3306;
    QString socket;   // empty: the client library's default socket for "localhost"
    QString database = QStringLiteral("vello");
    QString user = QStringLiteral("vello");
    QString password;
    // TLS to the server (keys ssl-ca, ssl-cert, ssl-key): with sslCa set the
    // link is encrypted and the server's certificate must be signed by that
    // authority, or the connection is refused; sslCert and sslKey are this
    // workstation's own certificate, for a server that asks for one.
    QString sslCa;
    QString sslCert;
    QString sslKey;

    static ConnectionSettings fixed() { return ConnectionSettings(); }

    // The fixed settings overlaid with the [database] section of the
    // program's settings file. A value that cannot be used (a port that is
    // not a number from 1 to 65535) keeps the fixed value and is described
    // in `problem` (Hungarian, for the operator); otherwise `problem` is
    // cleared.
    static ConnectionSettings configured(QString* problem = nullptr);
    // The same from a given settings file.
    static ConnectionSettings fromFile(const QString& path, QString* problem = nullptr);
    // The same from an open settings object (its [database] group).
    static ConnectionSettings fromSettings(QSettings& settings, QString* problem = nullptr);
    // The program's settings file.
    static QString settingsFilePath();
    // Makes the settings file, empty and readable by its owner alone (0600),
    // where there is none yet (configured() does it first): it may come to
    // hold a password, and the settings writer keeps the mode of the file it
    // rewrites. An existing file is left as it is.
    static void createSettingsFile();

    // The client library's options for these settings (the connect timeout,
    // the socket, the TLS files), as QSqlDatabase::setConnectOptions takes them.
    QString connectOptions() const;

    // The [database] section, as lines to put in a settings file, quoted so
    // that the settings file reads every value back as it is (a password
    // with commas, semicolons or quotes included). The socket is written
    // only when set; the database never (the program always uses vello).
    QString settingsSection() const;
};
