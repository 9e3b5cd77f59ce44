#include "firstreading.h"

#include "scale/tseriallink.h"

namespace {
constexpr int LookEveryMs = 50;
}   // namespace

FirstReading::FirstReading(AppContext& ctx, TSerialLink& link, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_link(link)
{
    m_timer.setInterval(LookEveryMs);
    connect(&m_timer, &QTimer::timeout, this, &FirstReading::look);
}

void FirstReading::start(Done done)
{
    m_done = std::move(done);
    m_since.start();
    m_timer.start();
}

void FirstReading::cancel()
{
    m_timer.stop();
    m_done = nullptr;
}

void FirstReading::look()
{
    ScaleRead::Taken taken;
    if (!m_link.active() || m_link.queuedClusters() > 0) {
        const ScaleRead::ReadResult r = ScaleRead::read(m_ctx, m_link, &taken);
        if (r != ScaleRead::ReadResult::NoWeight)
            return finish(r, taken);
    }
    if (m_since.elapsed() >= qint64(ScaleRead::ReconnectWaitMs))
        finish(ScaleRead::ReadResult::NoWeight, taken);
}

void FirstReading::finish(ScaleRead::ReadResult result, const ScaleRead::Taken& taken)
{
    m_timer.stop();
    const Done done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(result, taken);
}
