#include "weighingstore.h"

#include "context/appcontext.h"
#include "context/prompt.h"

// OK of the weighing window: the checks (weighingchecks.cpp), then the IN
// store (instore.cpp) or the OUT store (outstore.cpp); the register look-ups
// are in registerlookups.cpp, the looks after a lost COMMIT reply in
// reconnectlook.cpp.

WeighingOutcome WeighingStore::ok(const WeighingFields& fields, const QDateTime& at)
{
    WeighingOutcome c = check(fields);
    if (!c.done())
        return c;
    return m_request.in() ? storeIn(fields, at) : storeOut(fields, at);
}

WeighingOutcome WeighingStore::end(Outcome::Result result, const QString& message, const QString& focus)
{
    WeighingOutcome o;
    o.end(m_ctx.prompt, result, message, focus);
    return o;
}
