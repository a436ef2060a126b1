#pragma once

// HKEY_CURRENT_USER of the Windows design, kept in a per-user text file in the format
// of a registry export (UTF-8):
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\software\Norvel\Flinga]
//   "USER_NAME"="alice"
//   "KEEP_LOGIN"=dword:00000001
//
// The file is $NORVEL_REGISTRY, else $XDG_CONFIG_HOME/norvel/registry.reg, else
// ~/.config/norvel/registry.reg. Key paths are given below HKEY_CURRENT_USER
// ("software\Norvel") and compare without regard to ASCII case, as value names do; the
// spelling first written is kept. The value name "" is the key's default value ("@").
// Values of other types found in the file ("hex(2):..." and so on) are written back as
// they were; strings that cannot stand on one line are stored as "hex(1):" data.
//
// Every change re-reads the file under an exclusive lock, applies itself and writes the
// whole file to a temporary file that is renamed over the old one (mode 0600), so two
// processes never lose each other's changes or leave a mixed file. Reads use the copy in
// memory and re-read the file when it changed on disk. A damaged file is read as far as
// it can be; it is kept as "<file>.damaged" before the next write and reported once on
// standard error. A file that exists but cannot be read is never replaced. All functions
// are thread-safe. Names and paths holding control characters are refused.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

class RegistryKey {
public:
    // Opens the key, creating it (and its parents) when missing. Fails when the file
    // cannot be written or the path cannot name a key.
    [[nodiscard]] static std::optional<RegistryKey> Create(std::u16string_view path);
    // Opens an existing key; empty when the key does not exist.
    [[nodiscard]] static std::optional<RegistryKey> Open(std::u16string_view path);

    // Empty when the value is missing or is not of that type.
    [[nodiscard]] std::optional<std::u16string> ReadString(std::u16string_view name) const;
    [[nodiscard]] std::optional<uint32_t> ReadDword(std::u16string_view name) const;
    // A value of the key at path, read in one look at the file (opening the key first
    // would be a second); empty when the key or the value is missing or of another type.
    [[nodiscard]] static std::optional<std::u16string> GetString(std::u16string_view path,
                                                                 std::u16string_view name);
    [[nodiscard]] static std::optional<uint32_t> GetDword(std::u16string_view path,
                                                          std::u16string_view name);

    // False when the file could not be written (the change is then lost).
    bool WriteString(std::u16string_view name, std::u16string_view value);
    bool WriteDword(std::u16string_view name, uint32_t value);
    // False when there was no such value or the file could not be written.
    bool DeleteValue(std::u16string_view name);
    // Deletes every value of the key (sub-keys and the key itself stay). False only when
    // the file could not be written.
    bool DeleteAllValues();

    const std::u16string& Path() const { return m_Path; }

private:
    explicit RegistryKey(std::u16string path) : m_Path(std::move(path)) {}
    std::u16string m_Path;
};

// The file in use (see above), as a UTF-8 path.
std::string RegistryFilePath();

}  // namespace platform
