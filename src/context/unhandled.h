#pragma once
#include <QString>

struct AppContext;

// The application's default error handler: shows a failure that no
// operation caught with its own text, and the program goes on. It leaves an
// open transaction alone: an operation may report through it and still go
// on to COMMIT or ROLLBACK; a failure that escapes an operation is rolled
// back by the operation's Transaction on scope exit.
namespace Unhandled {
void report(AppContext& ctx, const QString& text, const QString& caption = QString());
}
