#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "file_io.h"
#include "system_path.h"

namespace platform {
InputFile::~InputFile() {
    Close();
}

int InputFile::Open(std::u16string_view path) {
    Close();
    const auto native = SystemPath(path);
    if (!native)
        return ENOENT;
    // Non-blocking, so that opening a FIFO returns at once; it is refused below.
    const int fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat st {};
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (S_ISDIR(st.st_mode))
        error = EISDIR;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if (::fcntl(fd, F_SETFL, 0) != 0)
        error = errno;
    if (error != 0) {
        ::close(fd);
        return error;
    }
    m_Fd = fd;
    m_Opened = StampOf(st);
    return 0;
}

void InputFile::Close() {
    if (m_Fd >= 0)
        ::close(m_Fd);
    m_Fd = -1;
}

std::optional<FileStamp> InputFile::Version() const {
    if (m_Fd < 0)
        return std::nullopt;
    return StampOfFile(m_Fd);
}

bool InputFile::ChangedSinceOpen() const {
    const auto now = Version();
    return !now || *now != m_Opened;
}

int64_t InputFile::ReadAt(uint64_t offset, void* buffer, size_t count) const {
    if (m_Fd < 0 || offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max()))
        return -1;
    auto* bytes = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(m_Fd, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;  // the end of the file
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}

bool IsNotFoundError(int error) {
    return error == ENOENT || error == ENOTDIR;
}

}  // namespace platform
