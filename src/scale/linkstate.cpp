#include "linkstate.h"

void LinkState::appendCluster(TSerialCluster cluster)
{
    std::lock_guard<std::mutex> lk(m_clusterLock);
    m_lastCluster = cluster.bytes;
    ++m_received;
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
