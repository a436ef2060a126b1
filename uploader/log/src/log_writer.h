#pragma once

// The writer's side of a logger: it moves buffered records into the daily numbered log
// files. Only the writer thread uses it; it alone touches the files.
//
// One cycle:
//   overflow guard -> log folder (none: done) -> refresh the level -> list the files
//   -> the current file, when it is today's and not full -> else the next free number of
//      today (a new file: drop the oldest beyond five, write the header)
//   -> more than 5 MB free: write up to 5000 records; lower the level when space is short
//      5 MB or less: level 0, nothing written.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "log_record.h"

class CLog;
class CLogCore;
namespace platform {
class AppendFile;
}

class CLogWriter {
public:
    CLogWriter(CLog& log, CLogCore& core);

    // One cycle; the number of records written.
    size_t RunCycle();
    // Cycles until the buffer is empty or a cycle writes nothing.
    void DrainAll();

private:
    bool OpenCurrentFile(platform::AppendFile& file, std::u16string_view today);
    bool OpenNextFile(platform::AppendFile& file, const std::u16string& dir,
                      std::u16string_view today, const std::vector<std::u16string>& listed);
    void RemoveOldest(const std::vector<std::u16string>& listed);
    size_t Drain(platform::AppendFile& file, const std::u16string& dir);
    size_t WriteRecords(platform::AppendFile& file);
    // Appends m_Output (holding that many records) to the file and empties it.
    void Flush(platform::AppendFile& file, size_t records);
    std::u16string_view TimeText(int64_t time);

    CLog& m_Log;
    CLogCore& m_Core;
    std::u16string m_CurrentPath;  // the file written last; empty before the first

    int64_t m_TimeTextSecond = -1;  // records of one second share their time text
    std::u16string m_TimeText;
    std::vector<LogRecord> m_Batch;  // reused buffers
    std::u16string m_Line;
    std::string m_Output;
};
