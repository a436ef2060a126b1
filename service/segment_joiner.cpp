#include "service/segment_joiner.h"

#include <algorithm>

#include "service/content_reader.h"

namespace norvel::service {

void CJoin::Feed(CMd5Stream& segment, const char* data, size_t length) {
    if (into == 0)
        atPart = md5;
    CMd5Stream::UpdateBoth(segment, md5, data, length);
    into += length;
}

void CJoin::PartChecked() {
    ++joined;
    into = 0;
}

bool CJoin::JoinNext(const CContentStore& contents) {
    if (failed || joined >= parts.size())
        return false;
    if (into > 0) {
        md5 = atPart;
        into = 0;
    }
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

void CSegmentJoiner::Place(int64_t session, std::unique_ptr<CJoin> join) {
    if (m_Slots.size() >= kMostJoins)
        DropOldest();
    m_Slots.emplace(session, Slot{std::move(join), ++m_Clock, false});
}

void CSegmentJoiner::SegmentStored(int64_t session, std::vector<CJoinPart> parts,
                                   std::unique_ptr<CJoin> fed) {
    std::lock_guard lock(m_Lock);
    if (m_Stopping)
        return;
    if (fed && (fed->parts != parts || fed->failed))
        fed.reset();
    auto it = m_Slots.find(session);
    if (it == m_Slots.end()) {
        Place(session, fed ? std::move(fed) : NewJoin(std::move(parts)));
        it = m_Slots.find(session);
    } else if (it->second.join && fed) {
        it->second.join = std::move(fed);
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

std::unique_ptr<CJoin> CSegmentJoiner::TakeAt(int64_t session, const std::vector<CJoinPart>& parts,
                                              size_t part, uint64_t offset) {
    std::lock_guard lock(m_Lock);
    const auto it = m_Slots.find(session);
    if (it != m_Slots.end() && !it->second.join)
        return nullptr;  // the background thread is working on it
    if (it != m_Slots.end()) {
        CJoin& join = *it->second.join;
        const bool stale =
            join.failed || join.parts != parts || (join.joined == part && offset < join.into);
        if (!stale && (join.joined != part || join.into != offset))
            return nullptr;
        std::unique_ptr<CJoin> taken = stale ? nullptr : std::move(it->second.join);
        std::erase(m_Queue, session);
        m_Slots.erase(it);
        if (taken)
            return taken;
    }
    return part == 0 && offset == 0 ? NewJoin(parts) : nullptr;
}

void CSegmentJoiner::Keep(int64_t session, std::unique_ptr<CJoin> join) {
    std::lock_guard lock(m_Lock);
    if (!m_Stopping && join && !m_Slots.contains(session))
        Place(session, std::move(join));
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

bool CSegmentJoiner::ReadNext(CJoin& join) {
    const uint64_t size = join.parts[join.joined].size;
    const bool ok = join.JoinNext(m_Contents);
    if (ok)
        m_ReadBack += size;
    return ok;
}

bool CSegmentJoiner::JoinRest(CJoin& join) {
    bool ok = !join.failed;
    while (ok && join.joined < join.parts.size())
        ok = ReadNext(join);
    return ok;
}

bool CSegmentJoiner::HasWork(const CJoin& join) const {
    return !join.failed && join.joined < join.parts.size() &&
           m_Contents.HasContent(join.parts[join.joined].fileId);
}

// The background thread: digests each queued session's stored segments in order, as far as
// they are stored, with the session's slot marked busy (no join in it) meanwhile. A join
// with nothing stored to add stays in its slot, free for the session's next block.
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
        if (!slot.join || !HasWork(*slot.join))
            continue;
        std::unique_ptr<CJoin> join = std::move(slot.join);
        lock.unlock();
        while (HasWork(*join) && ReadNext(*join)) {
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
