#include "upload/segment_digester.h"

#include <algorithm>

namespace upload {

CSegmentDigester::CSegmentDigester(uint64_t length, uint64_t segSize)
    : m_Length(length), m_SegSize(segSize), m_Digests(SegmentCount(length, segSize)) {}

void CSegmentDigester::Feed(uint64_t offset, const unsigned char* data, size_t length,
                            tools::MD5_CTX* whole) {
    if (offset != m_Next) {
        m_Active = false;  // the segment in progress misses bytes: it keeps no digest
        m_Next = offset;
    }
    while (length > 0 && m_Next < m_Length) {
        const uint64_t index = m_Next / m_SegSize;
        const uint64_t start = index * m_SegSize;
        const uint64_t end = std::min(start + m_SegSize, m_Length);
        if (!m_Active && m_Next == start) {
            m_Md5 = tools::MD5_CTX();
            m_Active = true;
        }
        const size_t take = static_cast<size_t>(std::min<uint64_t>(length, end - m_Next));
        if (m_Active && whole)
            tools::MD5_CTX::UpdateBoth(m_Md5, *whole, data, take);
        else if (m_Active)
            m_Md5.Update(data, take);
        else if (whole)
            whole->Update(data, take);
        m_Next += take;
        data += take;
        length -= take;
        if (m_Next == end && m_Active) {
            tools::FinalHex(m_Md5, m_Digests[index]);
            m_Active = false;
        }
    }
}

std::vector<std::string> CSegmentDigester::Finish() {
    return std::move(m_Digests);
}

}  // namespace upload
