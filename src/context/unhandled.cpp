#include "unhandled.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/datamodule.h"

namespace Unhandled {

void report(AppContext& ctx, const QString& text, const QString& caption)
{
    if (ctx.data.inTransaction())
        ctx.data.rollback();
    ctx.prompt.error(text, caption);
}

} // namespace Unhandled
