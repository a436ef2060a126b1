#include "block_prefetch.h"

#include "platform/input_file.h"

namespace upload::detail {

CBlockPrefetch::~CBlockPrefetch() {
    Drop();
}

void CBlockPrefetch::Start(const platform::InputFile& file, const ByteRange& range) {
    Drop();
    if (range.Length() > kMaxBlockBytes)
        return;
    m_Range = range;
    m_Buffer = std::make_unique_for_overwrite<char[]>(kHeadRoom + range.Length() + kTailRoom);
    m_Reader = std::thread([this, &file, buffer = m_Buffer.get() + kHeadRoom, range] {
        m_Whole = file.ReadAt(range.start, buffer, range.Length()) ==
                  static_cast<int64_t>(range.Length());
    });
}

void CBlockPrefetch::Wait() {
    if (m_Reader.joinable())
        m_Reader.join();
}

std::unique_ptr<char[]> CBlockPrefetch::Take(const ByteRange& range) {
    Wait();
    std::unique_ptr<char[]> buffer;
    if (m_Buffer && m_Whole && m_Range == range)
        buffer = std::move(m_Buffer);
    Drop();
    return buffer;
}

void CBlockPrefetch::Drop() {
    Wait();
    m_Buffer.reset();
    m_Whole = false;
}

}  // namespace upload::detail
