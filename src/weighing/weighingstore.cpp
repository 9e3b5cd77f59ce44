#include "weighingstore.h"

#include "context/appcontext.h"
#include "context/prompt.h"

const QString WeighingStore::InModeText = QStringLiteral("Új  \"BE\" mérés");
const QString WeighingStore::OutSelectText = QStringLiteral("\"Ki\" -választ");
const QString WeighingStore::OutModeText = QStringLiteral(" \"KI\" -választ mérés");

bool WeighingStore::inMode(const WeighingState& state)
{
    return state.modeText == InModeText;
}

bool WeighingStore::pickersShown(const WeighingState& state)
{
    const bool loaded = state.movement == QLatin1String("B");
    return loaded == inMode(state);
}

bool WeighingStore::loadedPass(const WeighingState& state)
{
    return pickersShown(state);
}

std::optional<QString> WeighingStore::tarePreset(const QString&)
{
    return std::nullopt;
}

WeighingOutcome WeighingStore::ok(const WeighingFields& fields, const QDateTime& at)
{
    WeighingOutcome c = check(fields);
    if (c.result != WeighingOutcome::Stored)
        return c;
    return inMode(m_ctx.weighing) ? storeIn(fields, at) : storeOut(fields, at);
}

WeighingOutcome WeighingStore::check(const WeighingFields&)
{
    WeighingOutcome o;
    o.result = WeighingOutcome::Stored;
    return o;
}

WeighingOutcome WeighingStore::storeIn(const WeighingFields&, const QDateTime&)
{
    return fail(WeighingOutcome::NotStarted, QStringLiteral("Hiba az append vagy edit közben az meres-ban!"));
}

WeighingOutcome WeighingStore::storeOut(const WeighingFields&, const QDateTime&)
{
    return fail(WeighingOutcome::Failed, QStringLiteral("Hiba: KI-ben, REPLACE-edit a meres-ban "));
}

WeighingOutcome WeighingStore::refuse(const QString& message, const QString& focus)
{
    m_ctx.prompt.message(message);
    WeighingOutcome o;
    o.result = WeighingOutcome::Refused;
    o.messages << message;
    o.focus = focus;
    return o;
}

WeighingOutcome WeighingStore::fail(WeighingOutcome::Result result, const QString& message)
{
    m_ctx.prompt.message(message);
    WeighingOutcome o;
    o.result = result;
    o.messages << message;
    return o;
}
