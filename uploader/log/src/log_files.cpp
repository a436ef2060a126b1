#include "log_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/text.h"

namespace {

constexpr std::u16string_view kSuffix = u".log";
constexpr std::u16string_view kDatePattern = u"9999-99-99_99";  // '9' stands for a digit
constexpr size_t kNumberDigits = 2;
constexpr size_t kDateLength = 10;

bool IsDigit(char16_t unit) {
    return unit >= u'0' && unit <= u'9';
}

// The "YYYY-MM-DD_NN" part of a log file path; empty when the path has none.
std::u16string_view StampOf(std::u16string_view path) {
    if (path.size() < kDatePattern.size() + kSuffix.size() || !path.ends_with(kSuffix))
        return {};
    const std::u16string_view stamp =
        path.substr(path.size() - kSuffix.size() - kDatePattern.size(), kDatePattern.size());
    for (size_t i = 0; i < stamp.size(); ++i) {
        if (kDatePattern[i] == u'9' ? !IsDigit(stamp[i]) : stamp[i] != kDatePattern[i])
            return {};
    }
    return stamp;
}

}  // namespace

std::u16string LogFilePath(std::u16string_view dir, std::u16string_view loggerName,
                           std::u16string_view date, int number) {
    std::u16string path(dir);
    path += u'/';
    path += loggerName;
    path += date;
    path += u'_';
    path += static_cast<char16_t>(u'0' + number / 10 % 10);
    path += static_cast<char16_t>(u'0' + number % 10);
    path += kSuffix;
    return path;
}

bool IsLogFileName(std::u16string_view fileName, std::u16string_view loggerName) {
    return fileName.size() == loggerName.size() + kDatePattern.size() + kSuffix.size() &&
           fileName.starts_with(loggerName) && !StampOf(fileName).empty();
}

int SequenceOf(std::u16string_view path) {
    const std::u16string_view stamp = StampOf(path);
    if (stamp.empty())
        return 0;
    const std::u16string_view number = stamp.substr(stamp.size() - kNumberDigits);
    return (number[0] - u'0') * 10 + (number[1] - u'0');
}

std::u16string_view DateOf(std::u16string_view path) {
    return StampOf(path).substr(0, kDateLength);
}

std::vector<std::u16string> FindLogFiles(std::u16string_view dir, std::u16string_view loggerName) {
    std::vector<std::u16string> files;
    std::error_code error;
    std::filesystem::directory_iterator entries(platform::WideToUtf8(dir), error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        std::error_code typeError;
        if (!entries->is_regular_file(typeError))
            continue;
        const std::u16string name = platform::Utf8ToWide(entries->path().filename().string());
        if (IsLogFileName(name, loggerName))
            files.push_back(std::u16string(dir) + u'/' + name);
    }
    std::sort(files.begin(), files.end());
    return files;
}
