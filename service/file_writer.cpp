#include "service/file_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace norvel::service {
namespace {

constexpr size_t kBufferSize = 1 << 20;
// Memory, positions and lengths of direct writes are multiples of this: the largest
// logical block size of common disks, so it suits any of them.
constexpr size_t kDirectAlign = 4096;

bool SetDirect(int fd, bool on) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0;
}

}  // namespace

CFileWriter::~CFileWriter() {
    if (m_Fd >= 0)
        Close();
}

bool CFileWriter::Open(const std::string& path, uint64_t offset) {
    if (m_Fd >= 0)
        Close();
    if (!m_Buffer) {
        void* memory = nullptr;
        if (posix_memalign(&memory, kDirectAlign, kBufferSize) != 0)
            return false;
        m_Buffer.reset(static_cast<char*>(memory));
    }
    m_Fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    m_Failed = m_Fd < 0;
    if (m_Failed)
        return false;
    m_Offset = offset;
    m_Used = 0;
    // A file system without direct writes refuses the flag here.
    m_Direct = offset % kDirectAlign == 0 && SetDirect(m_Fd, true);
    return true;
}

bool CFileWriter::Write(const char* data, size_t length) {
    if (m_Fd < 0 || m_Failed)
        return false;
    while (length > 0) {
        const size_t take = std::min(length, kBufferSize - m_Used);
        std::memcpy(m_Buffer.get() + m_Used, data, take);
        m_Used += take;
        data += take;
        length -= take;
        if (m_Used == kBufferSize && !Flush())
            return false;
    }
    return true;
}

bool CFileWriter::Close() {
    if (m_Fd < 0)
        return false;
    const bool flushed = m_Failed || Flush();
    const bool closed = close(m_Fd) == 0;
    m_Fd = -1;
    return flushed && closed && !m_Failed;
}

// Writes the gathered bytes: their aligned part directly when the writer is direct, the
// rest (only the end of the bytes has any) through the page cache.
bool CFileWriter::Flush() {
    const char* data = m_Buffer.get();
    size_t length = m_Used;
    m_Used = 0;
    if (m_Direct) {
        const size_t aligned = length - length % kDirectAlign;
        if (!WriteOut(data, aligned))
            return false;
        data += aligned;
        length -= aligned;
        if (length > 0)
            StopDirect();
    }
    return WriteOut(data, length);
}

bool CFileWriter::WriteOut(const char* data, size_t length) {
    while (length > 0 && !m_Failed) {
        const ssize_t wrote = pwrite(m_Fd, data, length, off_t(m_Offset));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0 && m_Direct && errno == EINVAL) {
            StopDirect();  // a file system that takes the flag but not the write
            continue;
        }
        if (wrote <= 0) {
            m_Failed = true;
            break;
        }
        data += wrote;
        length -= size_t(wrote);
        m_Offset += uint64_t(wrote);
        // A short direct write leaves the position unaligned.
        if (m_Direct && length > 0)
            StopDirect();
    }
    return !m_Failed;
}

void CFileWriter::StopDirect() {
    m_Direct = false;
    if (!SetDirect(m_Fd, false))
        m_Failed = true;
}

}  // namespace norvel::service
