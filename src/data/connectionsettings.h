#pragma once
#include <QString>

// Where the data module connects. The program always uses fixed(); tests and
// the tools pass their own (a private server's socket, another database).
struct ConnectionSettings {
    QString host = QStringLiteral("localhost");
    int port = 3306;
    QString socket;      // empty: the client library's default socket for "localhost"
    QString database = QStringLiteral("vello");
    QString user = QStringLiteral("vello");
    QString password;

    static ConnectionSettings fixed() { return ConnectionSettings(); }
};
