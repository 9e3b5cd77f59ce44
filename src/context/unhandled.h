#pragma once
#include <QString>

struct AppContext;

// The application's default error handler: shows a failure that no
// operation caught with its own text, and the program goes on. A
// "START TRANSACTION" that the failed operation left open is rolled back first.
namespace Unhandled {
void report(AppContext& ctx, const QString& text, const QString& caption = QString());
}
