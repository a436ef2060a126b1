#include "store.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstdio>

#include "platform/kept_object.h"
#include "platform/registry.h"

namespace platform::registry {
namespace {

constexpr unsigned kPrivateFolder = 0700;

// Takes the exclusive lock on "<file>.lock"; it is released when the descriptor closes.
UniqueFd LockFile(const std::string& path) {
    if (!MakeFolders(ParentFolder(path), kPrivateFolder))
        return UniqueFd();
    UniqueFd lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock)
        return UniqueFd();
    int rc;
    while ((rc = ::flock(lock.Get(), LOCK_EX)) != 0 && errno == EINTR) {
    }
    return rc == 0 ? std::move(lock) : UniqueFd();
}

}  // namespace

Store& Store::Instance() {
    // Never destroyed: threads that outlive static destruction at exit (the log writer's
    // last drain) still read settings.
    static Store* const store = KeptForGood(new Store);
    return *store;
}

void Store::Read(const std::function<void(const Document&)>& read) {
    std::lock_guard guard(m_Lock);
    // Reading goes through a link by itself, and the stamp (device, inode, size, time)
    // tells whether the file read last is still the one there: no link is resolved here,
    // which would cost a look-up of every folder of the path on each read.
    Refresh(RegistryFilePath());
    read(m_Document);
}

bool Store::Modify(const std::function<bool(Document&)>& change) {
    std::lock_guard guard(m_Lock);
    // A link (say, into a folder of dotfiles) stays a link: the file it names is replaced.
    const std::string path = FollowLinks(RegistryFilePath());
    const UniqueFd lock = LockFile(path);
    if (!lock)
        return false;
    Refresh(path);
    if (m_Unreadable)
        return false;
    m_Path = path;  // the file itself, which a read may have reached through a link
    if (!change(m_Document))
        return true;
    if (!Save()) {
        m_Loaded = false;  // the copy no longer matches the file: read it again next time
        return false;
    }
    return true;
}

// The copy is kept while the path names the same file, unchanged, however it is spelt
// (through a link or not); a missing file stays missing only under the same path.
void Store::Refresh(const std::string& path) {
    if (m_Loaded) {
        const auto stamp = StampOfPath(path);
        const bool unchanged =
            stamp ? m_File && *stamp == m_Stamp : !m_File && !m_Unreadable && path == m_Path;
        if (unchanged)
            return;
    }
    Load(path);
}

void Store::Load(const std::string& path) {
    m_Path = path;
    m_Loaded = true;
    m_Unreadable = false;
    m_File = UniqueFd();
    m_Document = Document();
    m_DamagedBytes.reset();

    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) {
        m_Unreadable = errno != ENOENT && errno != ENOTDIR;
        return;
    }
    const auto stamp = StampOfFile(file.Get());
    auto bytes = ReadRest(file.Get());
    if (!stamp || !bytes) {
        m_Unreadable = true;
        return;
    }
    ParseResult parsed = ParseRegistryText(*bytes);
    m_Document = std::move(parsed.document);
    if (parsed.damagedLines > 0) {
        m_DamagedBytes = std::move(*bytes);
        ReportDamage(parsed);
    }
    m_File = std::move(file);
    m_Stamp = *stamp;
}

bool Store::Save() {
    if (m_DamagedBytes) {
        // The damaged file is about to be replaced: keep it for whoever wants to look.
        if (!ReplaceFileAtomically(m_Path + ".damaged", *m_DamagedBytes))
            return false;
        m_DamagedBytes.reset();
    }
    UniqueFd file = ReplaceFileAtomically(m_Path, FormatRegistryText(m_Document));
    const auto stamp = file ? StampOfFile(file.Get()) : std::nullopt;
    if (!stamp)
        return false;
    m_File = std::move(file);
    m_Stamp = *stamp;
    return true;
}

void Store::ReportDamage(const ParseResult& parsed) {
    if (m_DamageReported)
        return;
    m_DamageReported = true;
    std::fprintf(stderr,
                 "norvel: the registry file %s is damaged (%zu unreadable lines, the first is "
                 "line %zu); its readable values are used and the file will be kept as "
                 "%s.damaged\n",
                 m_Path.c_str(), parsed.damagedLines, parsed.firstDamagedLine, m_Path.c_str());
}

}  // namespace platform::registry
