#include "service/segment_joiner.h"

#include <algorithm>

#include "service/content_reader.h"

namespace norvel::service {

bool CJoin::JoinNext(const CContentStore& contents) {
    if (failed || joined >= parts.size())
        return false;
    const CJoinPart& part = parts[joined];
    const auto pieces = contents.Pieces(part.fileId);
    const bool ok = pieces && AddContentRange(*pieces, 0, part.size, md5);
    failed = !ok;
    joined += ok ? 1 : 0;
    return ok;
}

CSegmentJoiner::CSegmentJoiner(const CContentStore& contents)
    : m_Contents(contents), m_Thread([this] { Run(); }) {}

CSegmentJoiner::~CSegmentJoiner() {
    {
        std::lock_guard lock(m_Lock);
        m_Stopping = true;
        m_Changed.notify_all();
    }
    m_Thread.join();
}

std::unique_ptr<CJoin> CSegmentJoiner::NewJoin(std::vector<CJoinPart> parts) {
    auto join = std::make_unique<CJoin>();
    join->parts = std::move(parts);
    return join;
}

void CSegmentJoiner::DropOldest() {
    auto oldest = m_Slots.end();
    for (auto it = m_Slots.begin(); it != m_Slots.end(); ++it)
        if (it->second.join && (oldest == m_Slots.end() || it->second.age < oldest->second.age))
            oldest = it;
    if (oldest == m_Slots.end())
        return;
    std::erase(m_Queue, oldest->first);
    m_Slots.erase(oldest);
}

void CSegmentJoiner::SegmentStored(int64_t session, std::vector<CJoinPart> parts) {
    std::lock_guard lock(m_Lock);
    if (m_Stopping)
        return;
    auto it = m_Slots.find(session);
    if (it == m_Slots.end()) {
        if (m_Slots.size() >= kMostJoins)
            DropOldest();
        it = m_Slots.emplace(session, Slot{NewJoin(std::move(parts)), 0, false}).first;
    } else if (it->second.join && (it->second.join->parts != parts || it->second.join->failed)) {
        it->second.join = NewJoin(std::move(parts));
    }
    it->second.age = ++m_Clock;
    if (!it->second.queued) {
        it->second.queued = true;
        m_Queue.push_back(session);
        m_Changed.notify_all();
    }
}

std::unique_ptr<CJoin> CSegmentJoiner::Take(int64_t session, const std::vector<CJoinPart>& parts) {
    std::unique_ptr<CJoin> join;
    {
        std::unique_lock lock(m_Lock);
        m_Changed.wait(lock, [&] {
            const auto it = m_Slots.find(session);
            return it == m_Slots.end() || it->second.join != nullptr;
        });
        if (const auto it = m_Slots.find(session); it != m_Slots.end()) {
            join = std::move(it->second.join);
            m_Slots.erase(it);
            std::erase(m_Queue, session);
        }
    }
    if (join && (join->parts != parts || join->failed))
        join.reset();
    return join ? std::move(join) : NewJoin(parts);
}

// The background thread: digests each queued session's stored segments in order, as far as
// they are stored, with the session's slot marked busy (no join in it) meanwhile.
void CSegmentJoiner::Run() {
    std::unique_lock lock(m_Lock);
    for (;;) {
        m_Changed.wait(lock, [&] { return m_Stopping || !m_Queue.empty(); });
        if (m_Stopping)
            return;
        const int64_t session = m_Queue.front();
        m_Queue.erase(m_Queue.begin());
        Slot& slot = m_Slots.at(session);
        slot.queued = false;
        std::unique_ptr<CJoin> join = std::move(slot.join);
        lock.unlock();
        while (join->joined < join->parts.size() &&
               m_Contents.HasContent(join->parts[join->joined].fileId) &&
               join->JoinNext(m_Contents)) {
            std::lock_guard stop(m_Lock);
            if (m_Stopping)
                break;
        }
        lock.lock();
        m_Slots.at(session).join = std::move(join);
        m_Changed.notify_all();
    }
}

}  // namespace norvel::service
