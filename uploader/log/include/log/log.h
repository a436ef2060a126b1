#pragma once

// The process-wide logger: every part of the library reports its steps through Log().
// Records are filtered by a ten-bit level mask, numbered per event and outcome, buffered
// in memory and written to daily log files by a background writer thread.
//
// Calls never block on file output and never throw.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Record types: each is one bit; the bit below it marks the failures of that type in the
// level mask.
enum LogType : int {
    L1_USR = 2,
    L2_VIM = 8,
    L3_KEY = 32,
    L4_INF = 128,
    L5_TRC = 512,
};

// Named level masks. A record passes when the mask holds its type's bit (successes) or
// the bit below it (failures). Valid masks are 0..1023; -1 means "not read yet".
enum LogLevel : int {
    S__NOT_INIT = -1,
    S0_CLOSE_ALL = 0,
    S1_USR_ERR = 1,
    S1_USR = 3,
    S2_VIM_ERR = 7,
    S2_VIM = 15,
    S3_DEFAULT_KEY_ERR = 31,
    S3_KEY = 63,
    S4_INF_ERR = 127,
    S4_INF = 255,
    S5_TRC_ERR = 511,
    S5_OPEN_ALL = 1023,
};

// "L1_USR" ... "L5_TRC"; "UNKOWN" for any other value.
std::u16string LogTypeName(int type);
// The preset's name ("S3_DEFAULT_KEY_ERR"), else the ten low bits, most significant
// first ("0000000101").
std::u16string LogLevelName(int mask);

// What the log writer asks of a logger, in this order.
class BasicLog {
public:
    // The folder of the log files; empty when nothing can be written to disk.
    virtual std::u16string GetLogDir() = 0;
    // The block written at the top of every new log file.
    virtual std::u16string GetHeader() = 0;
    // This logger's log files, full paths, oldest first.
    virtual std::vector<std::u16string> ListLogFiles() = 0;
    // Reads the level mask from "LOG_LEVEL" again (without force: only when the stored
    // text changed); true when a valid mask was found.
    virtual bool RefreshLevel(bool force) = 0;

protected:
    ~BasicLog() = default;
};

// What a logger takes from its surroundings; the defaults are the real ones. Tests
// shorten the cycle and fake the clock and the free space.
struct CLogOptions {
    // The writer drains the buffer this often.
    std::chrono::milliseconds writerCycle{20000};
    // Now in seconds since 1970, for record times and file dates; called on any thread.
    // Empty: the system clock.
    std::function<int64_t()> clock;
    // Free megabytes on the file system of the log folder; called on the writer thread.
    // Empty: the space available to this user there.
    std::function<uint64_t(std::u16string_view logDir)> freeDiskMB;
    // The log folder. Empty: "INSTALLPATH" + "/Log", else the program's folder + "/Log".
    std::u16string logDir;
};

// Running totals of one logger, for diagnostics and benchmarks. Once the logger has
// stopped, accepted == written + cleared unless writing a file failed.
struct CLogCounts {
    uint64_t accepted = 0;  // records that passed the level mask and were buffered
    uint64_t written = 0;   // records written to a log file
    uint64_t cleared = 0;   // records dropped by the overflow guard
};

class CLogCore;  // the logger's state and writer thread

class CLog final : public BasicLog {
public:
    // Starts the writer thread; nothing is read or written before its first cycle.
    explicit CLog(std::u16string name = u"norvel-uploader-", CLogOptions options = {});
    // Stops the writer as Stop() does.
    ~CLog();
    CLog(const CLog&) = delete;
    CLog& operator=(const CLog&) = delete;

    // All texts wide; cause and data may be empty.
    void Write(int type, std::u16string_view event, bool ok, std::u16string_view cause = {},
               std::u16string_view data1 = {}, std::u16string_view data2 = {},
               std::u16string_view data3 = {});
    // Texts other than the event in the ANSI code page; written as type L3_KEY.
    void WriteNarrow(std::string_view event, bool ok, std::string_view cause = {},
                     std::string_view data1 = {}, std::string_view data2 = {},
                     std::string_view data3 = {});
    // A failure record whose cause is "ERROR_CODE=" + code.
    void WriteErrorCode(int code, int type, std::u16string_view event,
                        std::u16string_view data1 = {}, std::u16string_view data2 = {},
                        std::u16string_view data3 = {});

    std::u16string GetLogDir() override;
    std::u16string GetHeader() override;
    std::vector<std::u16string> ListLogFiles() override;
    bool RefreshLevel(bool force) override;

    // Refuses further records, writes out every buffered one and joins the writer.
    // Safe to call more than once and from any thread but the writer's own.
    void Stop();

    const std::u16string& Name() const;
    // The level mask now (-1 until the first record or refresh).
    int Level() const;
    // False once stopped, or when the writer gave up (no thread, 100 full files a day).
    bool IsEnabled() const;
    CLogCounts Counts() const;
    // Wakes the writer at once and returns when it has run one whole cycle that began
    // after this call (at once when the writer no longer runs).
    void RunWriterCycleNow();

private:
    std::unique_ptr<CLogCore> m_Core;
};

// The one logger of the process, named "norvel-uploader-".
CLog& Log();

// Stops the writer thread after a last drain; later records are dropped. Called when the
// library unloads; safe to call more than once.
void StopLogging();
