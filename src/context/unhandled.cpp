#include "unhandled.h"

#include "context/appcontext.h"
#include "context/prompt.h"

namespace Unhandled {

void report(AppContext& ctx, const QString& text, const QString& caption)
{
    // Showing a failure never ends a transaction: the operation that owns it
    // decides, and its Transaction rolls back when a failure leaves its scope.
    ctx.prompt.error(text, caption);
}

}   // namespace Unhandled
