#include "service/unit_feed.h"

#include "service/segment_joiner.h"

namespace norvel::service {

CUnitFeed::CUnitFeed()
    : m_Background([this](const char* data, size_t length) { Add(data, length); }) {}

CUnitFeed::~CUnitFeed() {
    m_Background.Finish();
}

void CUnitFeed::SetJoin(std::unique_ptr<CJoin> join) {
    m_Background.Finish();
    m_Join = std::move(join);
}

void CUnitFeed::Feed(const char* data, size_t length, bool background) {
    if (background) {
        m_Background.Feed(data, length);
        return;
    }
    m_Background.Finish();
    Add(data, length);
}

CMd5Stream& CUnitFeed::Settled() {
    m_Background.Finish();
    return m_Md5;
}

std::unique_ptr<CJoin> CUnitFeed::TakeJoin() {
    m_Background.Finish();
    return std::move(m_Join);
}

// One pass for both digests when the feed has the join.
void CUnitFeed::Add(const char* data, size_t length) {
    if (m_Join)
        m_Join->Feed(m_Md5, data, length);
    else
        m_Md5.Update(data, length);
}

}  // namespace norvel::service
