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
    const size_t need = kHeadRoom + range.Length() + kTailRoom;
    if (m_Spare && m_SpareCapacity >= need) {
        m_Buffer = std::move(m_Spare);
        m_Capacity = m_SpareCapacity;
    } else {
        m_Buffer = std::make_unique_for_overwrite<char[]>(need);
        m_Capacity = need;
    }
    m_Spare.reset();
    m_Reader = std::thread([this, &file, buffer = m_Buffer.get() + kHeadRoom, range] {
        m_Whole = file.ReadAt(range.start, buffer, range.Length()) ==
                  static_cast<int64_t>(range.Length());
    });
}

void CBlockPrefetch::Wait() {
    if (m_Reader.joinable())
        m_Reader.join();
}

std::unique_ptr<char[]> CBlockPrefetch::Take(const ByteRange& range, size_t& capacity) {
    Wait();
    std::unique_ptr<char[]> buffer;
    if (m_Buffer && m_Whole && m_Range == range) {
        buffer = std::move(m_Buffer);
        capacity = m_Capacity;
    }
    Drop();
    return buffer;
}

void CBlockPrefetch::Recycle(std::unique_ptr<char[]> buffer, size_t capacity) {
    if (!buffer || (m_Spare && m_SpareCapacity >= capacity))
        return;
    m_Spare = std::move(buffer);
    m_SpareCapacity = capacity;
}

void CBlockPrefetch::Drop() {
    Wait();
    if (m_Buffer)
        Recycle(std::move(m_Buffer), m_Capacity);
    m_Buffer.reset();
    m_Whole = false;
}

}  // namespace upload::detail
