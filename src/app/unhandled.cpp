#include "unhandled.h"

#include "app/appcontext.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "ui/prompt.h"

namespace Unhandled {

void report(AppContext& ctx, const QString& text, const QString& caption)
{
    if (ctx.data.inTransaction()) {
        try {
            ctx.data.ZQ12.close();
            ctx.data.ZQ12.setSql(QStringLiteral("ROLLBACK"));
            ctx.data.ZQ12.exec();
        } catch (const DbError&) {
        }
    }
    ctx.prompt.error(text, caption);
}

} // namespace Unhandled
