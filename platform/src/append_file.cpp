#include "platform/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "file_io.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr mode_t kPrivateFile = 0600;
constexpr mode_t kPrivateFolder = 0700;

// The system form of a wide path; false for one that no system call can name (empty,
// or holding a NUL that would cut it short).
bool ToSystemPath(std::u16string_view path, std::string& out) {
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos)
        return false;
    out = WideToUtf8(path);
    return true;
}

}  // namespace

AppendFile::~AppendFile() {
    Close();
}

int AppendFile::Open(std::u16string_view path) {
    Close();
    std::string native;
    if (!ToSystemPath(path, native))
        return EINVAL;
    do {
        m_Fd = ::open(native.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC,
                      kPrivateFile);
    } while (m_Fd < 0 && errno == EINTR);
    return m_Fd < 0 ? errno : 0;
}

uint64_t AppendFile::Size() const {
    struct stat st {};
    if (m_Fd < 0 || ::fstat(m_Fd, &st) != 0)
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

bool AppendFile::Append(std::string_view bytes) {
    return m_Fd >= 0 && WriteAll(m_Fd, bytes);
}

void AppendFile::Close() {
    if (m_Fd >= 0)
        ::close(m_Fd);
    m_Fd = -1;
}

bool CreatePrivateFolder(std::u16string_view path) {
    std::string native;
    if (!ToSystemPath(path, native))
        return false;
    if (::mkdir(native.c_str(), kPrivateFolder) == 0)
        return true;
    // An existing folder may also answer EACCES or EROFS rather than EEXIST.
    return IsFolder(native);
}

}  // namespace platform
