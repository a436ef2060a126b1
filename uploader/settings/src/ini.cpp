#include "settings/ini.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/text.h"
#include "settings/settings.h"

namespace settings {
namespace {

constexpr std::u16string_view kDefaultInts = u"10 10 10";
constexpr size_t kMaxIniValue = 259;  // characters a lookup returns at most

std::u16string Lower(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return out;
}

std::u16string_view Trim(std::u16string_view text) {
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// One parsed INI file: lower-cased "section\nkey" -> value.
struct IniFile {
    std::filesystem::file_time_type stamp{};
    bool exists = false;
    std::map<std::u16string, std::u16string> values;
};

IniFile Parse(const std::string& nativePath) {
    IniFile file;
    std::error_code ec;
    file.stamp = std::filesystem::last_write_time(nativePath, ec);
    std::ifstream in(nativePath, std::ios::binary);
    if (ec || !in)
        return file;
    file.exists = true;
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::u16string text = platform::Utf8ToWide(bytes.str());
    if (!text.empty() && text.front() == u'\uFEFF')  // byte-order mark
        text.erase(0, 1);

    std::u16string section;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos)
            end = text.size();
        const std::u16string_view line = Trim(std::u16string_view(text).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == u';' || line.front() == u'#')
            continue;
        if (line.front() == u'[') {
            const size_t close = line.find(u']');
            section = Lower(Trim(
                line.substr(1, close == std::u16string_view::npos ? line.size() - 1 : close - 1)));
            continue;
        }
        const size_t equals = line.find(u'=');
        if (equals == std::u16string_view::npos)
            continue;
        std::u16string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
            value = value.substr(1, value.size() - 2);
        const std::u16string key = section + u'\n' + Lower(Trim(line.substr(0, equals)));
        file.values.emplace(key, value.substr(0, kMaxIniValue));  // the first one wins
    }
    return file;
}

std::mutex g_IniLock;
std::map<std::string, IniFile> g_IniFiles;  // by native path

std::u16string Lookup(const std::u16string& path, std::u16string_view section,
                      std::u16string_view key, std::u16string_view fallback) {
    const std::string nativePath = platform::WideToUtf8(path);
    std::error_code ec;
    const auto stamp = std::filesystem::last_write_time(nativePath, ec);
    std::lock_guard lock(g_IniLock);
    auto it = g_IniFiles.find(nativePath);
    if (it == g_IniFiles.end() || it->second.stamp != stamp || it->second.exists == bool(ec))
        it = g_IniFiles.insert_or_assign(nativePath, Parse(nativePath)).first;
    const auto found = it->second.values.find(Lower(section) + u'\n' + Lower(key));
    return found == it->second.values.end() ? std::u16string(fallback) : found->second;
}

std::u16string UiIniPath() {
    return SkinFolder() + u"UI.ini";
}

}  // namespace

std::u16string SkinFolder() {
    const std::u16string program = GetHostProgramPath();
    const size_t slash = program.find_last_of(u'/');
    if (slash == std::u16string::npos)
        return {};
    return program.substr(0, slash) + u"/skinwnd-res/uploader/";
}

std::u16string ReadIniString(const std::u16string& path, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback) {
    return Lookup(path, section, key, fallback);
}

std::u16string IniString(std::u16string_view section, std::u16string_view key,
                         std::u16string_view fallback) {
    return Lookup(UiIniPath(), section, key, fallback);
}

int IniInts(std::u16string_view section, std::u16string_view key, std::vector<int>& out) {
    const std::u16string text = IniString(section, key, kDefaultInts);
    int count = 0;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == u' ')
            ++i;
        if (i >= text.size())
            break;
        // atoi of the piece: optional sign, then leading digits; anything else gives 0.
        bool negative = false;
        if (text[i] == u'-' || text[i] == u'+')
            negative = text[i++] == u'-';
        long long value = 0;
        for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
            if (value < 1000000000)
                value = value * 10 + (text[i] - u'0');
        while (i < text.size() && text[i] != u' ')
            ++i;
        out.push_back(static_cast<int>(negative ? -value : value));
        ++count;
    }
    return count;
}

int IniText(std::u16string_view section, std::u16string& out) {
    out = IniString(section, u"text", u"");
    return out.empty() ? 0 : 1;
}

std::u16string ThemePath(std::u16string_view name) {
    const std::u16string folder = SkinFolder();
    if (folder.empty())
        return {};
    return folder + std::u16string(name) + u"/theme.ini";
}

}  // namespace settings
