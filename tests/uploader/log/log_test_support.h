#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "log/log.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "support/test_env.h"
#include "tools/date_text.h"

// The lines of a file, each with its CR LF.
inline std::vector<std::string> Lines(const std::string& path) {
    const std::string text = norvel::test::ReadFile(path);
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        end = end == std::string::npos ? text.size() : end + 2;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

// The record lines of a file: those that start with a bracketed time.
inline std::vector<std::string> Records(const std::string& path) {
    std::vector<std::string> records;
    for (std::string& line : Lines(path)) {
        if (line.size() > 2 && line[0] == '[' && line[1] >= '0' && line[1] <= '9')
            records.push_back(std::move(line));
    }
    return records;
}

// The lines of a file that open a header block.
inline size_t HeaderCount(const std::string& path) {
    size_t count = 0;
    for (const std::string& line : Lines(path))
        count += line.starts_with("[norvel-uploader-log, DIR=");
    return count;
}

// Each test gets its own log folder, a clock that stands still until the test moves it,
// plenty of free space, and a writer that runs only when the test asks
// (RunWriterCycleNow). The stored values that the logger reads are removed first.
class LogTest : public ::testing::Test {
protected:
    static constexpr int64_t kNoon = 1316001600;  // 14 September 2011, about noon
    static constexpr int64_t kDay = 24 * 60 * 60;

    void SetUp() override {
        for (auto name : {settings::kLogLevel, settings::kInstallPath, settings::kClientId})
            settings::DeleteValue(settings::kNorvelKey, name);
        for (auto name : {settings::kUserName, settings::kUserId})
            settings::DeleteValue(settings::kFlingaKey, name);
    }

    CLogOptions Options() {
        CLogOptions options;
        options.writerCycle = std::chrono::hours(1);
        options.clock = [this] { return m_Now.load(); };
        options.freeDiskMB = [this](std::u16string_view) { return m_FreeMB.load(); };
        options.logDir = platform::Utf8ToWide(LogDir());
        return options;
    }
    std::unique_ptr<CLog> MakeLog() {
        return std::make_unique<CLog>(u"norvel-uploader-", Options());
    }

    static void SetLevel(std::u16string_view text) {
        ASSERT_TRUE(settings::WriteString(settings::kNorvelKey, settings::kLogLevel, text));
    }

    std::string LogDir() const { return m_Dir.File("Log"); }
    // The path of the day's file with the given number.
    std::string FilePath(int number, int64_t time) const {
        const std::string date = platform::WideToUtf8(tools::DateText(time));
        return LogDir() + "/norvel-uploader-" + date + "_0" + std::to_string(number) + ".log";
    }
    std::string FilePath(int number) const { return FilePath(number, m_Now.load()); }
    std::string TimeText() const { return platform::WideToUtf8(tools::DateTimeText(m_Now.load())); }

    norvel::test::TempDir m_Dir;
    std::atomic<int64_t> m_Now{kNoon};
    std::atomic<uint64_t> m_FreeMB{100000};
};
