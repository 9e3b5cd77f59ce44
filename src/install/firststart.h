#pragma once
#include <QString>

// What the operator of an installed program reads when no usable database
// answers at the fixed settings: after the start-up message, the steps to take
// on this machine, chosen by the server's error code.
namespace FirstStart {

enum class Cause { NoServer, NotCreated, Damaged };

Cause causeOf(int errorCode);
QString guidance(int errorCode, const QString& errorText);

}   // namespace FirstStart
