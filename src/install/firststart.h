#pragma once
#include "data/connectionsettings.h"

#include <QString>

// What the operator reads after the start-up message when no usable
// database answers: where the program tried (server, port or socket, user,
// from the settings in use), which failure it met, and the remedy for that
// one. A workstation whose settings name another machine's server needs no
// server of its own and never runs vello-create; only the machine that
// holds the database does.
namespace FirstStart {

enum class Cause {
    NoAnswer,   // no server answered at the address (2002, 2003, 2005, lost)
    WrongLogin,   // the server refused the user or the password (1045, 1698)
    NoDatabase,   // the server answered, the database is not there or not granted (1049, 1044)
    Damaged,   // the database is there, a table is missing (1146)
};

Cause causeOf(int errorCode);
// Whether the settings reach a server on this machine (localhost, a
// loopback address or a socket).
bool serverOnThisMachine(const ConnectionSettings& s);
QString guidance(const ConnectionSettings& s, int errorCode, const QString& errorText);

}   // namespace FirstStart
