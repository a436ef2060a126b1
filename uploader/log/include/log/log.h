#pragma once

// The process-wide logger: every part of the library reports its steps through Log().
// Records are filtered by a ten-bit level mask, numbered per event and outcome, buffered
// in memory and written to daily log files by a background writer thread.
//
// Calls never block on file output and never throw.

#include <string>
#include <string_view>

// Record types: each is one bit; the bit below it marks the failures of that type in the
// level mask.
enum LogType : int {
    L1_USR = 2,
    L2_VIM = 8,
    L3_KEY = 32,
    L4_INF = 128,
    L5_TRC = 512,
};

class CLog {
public:
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
};

// The one logger of the process, named "norvel-uploader-".
CLog& Log();

// Stops the writer thread after a last drain; later records are dropped. Called when the
// library unloads; safe to call more than once.
void StopLogging();
