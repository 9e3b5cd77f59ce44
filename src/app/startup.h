#pragma once
#include <QString>

struct AppContext;

// Program start: the splash box for one second, then the data module opens
// the connection and the ten tables. On failure the start-up message is shown
// as a confirmation with the only button Yes, then the guidance for the
// failure met (FirstStart); the program then ends.
namespace Startup {

QString failureMessage();
// true when the database is ready; false after the failure message was answered
// (the failure's server code and text in *failureCode / *failureText when given).
bool run(AppContext& ctx, int* failureCode = nullptr, QString* failureText = nullptr);

}   // namespace Startup
