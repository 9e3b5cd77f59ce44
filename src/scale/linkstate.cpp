#include "linkstate.h"

namespace {
// Arrival times kept: enough for the scale read to tell an indicator that
// sends all the time from one whose print key was pressed.
constexpr size_t ArrivalsKept = 8;
}   // namespace

void LinkState::appendCluster(TSerialCluster cluster, quint32 at)
{
    std::lock_guard<std::mutex> lk(m_clusterLock);
    m_previousCluster = m_lastCluster;
    m_lastCluster = cluster.bytes;
    ++m_received;
    m_arrivals.push_back(at);
    if (m_arrivals.size() > ArrivalsKept)
        m_arrivals.pop_front();
    m_clusters.push_back(std::move(cluster));
    const size_t keep = size_t(keepClusters.load());
    while (keep > 0 && m_clusters.size() > keep)
        m_clusters.pop_front();
}

QString LinkState::lastText() const
{
    std::lock_guard<std::mutex> lk(m_clusterLock);
    return QString::fromLatin1(m_lastCluster);
}

quint64 LinkState::received() const
{
    std::lock_guard<std::mutex> lk(m_clusterLock);
    return m_received;
}

QStringList LinkState::recentTexts() const
{
    std::lock_guard<std::mutex> lk(m_clusterLock);
    QStringList out;
    if (m_received > 1)
        out << QString::fromLatin1(m_previousCluster);
    if (m_received > 0)
        out << QString::fromLatin1(m_lastCluster);
    return out;
}

QList<quint32> LinkState::arrivals() const
{
    std::lock_guard<std::mutex> lk(m_clusterLock);
    return QList<quint32>(m_arrivals.begin(), m_arrivals.end());
}

QString LinkState::takeOldest()
{
    TSerialCluster c;
    {
        std::lock_guard<std::mutex> lk(m_clusterLock);
        if (m_clusters.empty())
            return QString();
        c = std::move(m_clusters.front());
        m_clusters.pop_front();
    }
    return c.text();
}

QStringList LinkState::takeAll()
{
    std::deque<TSerialCluster> taken;
    {
        std::lock_guard<std::mutex> lk(m_clusterLock);
        taken.swap(m_clusters);
    }
    QStringList out;
    for (const TSerialCluster& c : taken)
        out << c.text();
    return out;
}

int LinkState::queued() const
{
    std::lock_guard<std::mutex> lk(m_clusterLock);
    return int(m_clusters.size());
}

void LinkState::clearClusters()
{
    std::lock_guard<std::mutex> lk(m_clusterLock);
    m_clusters.clear();
}

void LinkState::callInOwner(std::function<void()> fn, const std::function<void()>& post)
{
    auto call = std::make_shared<OwnerCall>();
    call->fn = std::move(fn);
    {
        std::lock_guard<std::mutex> lk(m_callLock);
        if (destroying)
            return;
        m_calls.push_back(call);
    }
    post();
    std::unique_lock<std::mutex> lk(m_callLock);
    m_callCv.wait(lk, [&] { return call->done || destroying; });
}

void LinkState::runOwnerCalls()
{
    for (;;) {
        std::shared_ptr<OwnerCall> call;
        {
            std::lock_guard<std::mutex> lk(m_callLock);
            if (m_calls.empty())
                return;
            call = m_calls.front();
            m_calls.pop_front();
        }
        if (!destroying)
            call->fn();
        {
            std::lock_guard<std::mutex> lk(m_callLock);
            call->done = true;
        }
        m_callCv.notify_all();
    }
}

void LinkState::cancelOwnerCalls()
{
    {
        std::lock_guard<std::mutex> lk(m_callLock);
        for (auto& c : m_calls)
            c->done = true;
        m_calls.clear();
    }
    m_callCv.notify_all();
}

void LinkState::beginDestroying()
{
    std::lock_guard<std::mutex> lk(m_callLock);
    destroying = true;
}
