#pragma once

// The saved task list "uploader.dat": read back when the main window is created, kept
// current from then on while the library runs (task_list_saver.h), and written once more
// when an outside program asks the library to save and exit.
//
// Bytes, little-endian: a 32-bit count N (absent when N is 0: the file is then empty),
// then N records in ascending id order: directory, name (each in the archive's string
// form) and the state as a 32-bit signed integer. String form: 0xFF, the tag 0xFFFE,
// then the length L in UTF-16 units (one byte when L < 255; else 0xFF and 16 bits when
// L < 0xFFFE; else 0xFF, 0xFFFF and 32 bits), then L units without a terminator. A
// string without the tag holds L bytes in the ANSI code page.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace intake {

// The persistent form of one task.
class CTask {
public:
    std::u16string m_Dir;
    std::u16string m_Name;
    int32_t m_State = 0;

    // Appends the record's bytes.
    void Store(std::string& out) const;
    // Reads one record at the offset and moves past it; false (offset unchanged) when the
    // bytes end before the record does or do not form one.
    bool Load(std::string_view bytes, size_t& offset);
};

// The bytes of a whole list; empty for no tasks.
std::string EncodeTaskList(const std::vector<CTask>& tasks);

struct DecodedTaskList {
    std::vector<CTask> tasks;  // every complete record, in file order
    bool damaged = false;      // cut short, unreadable records or bytes after the last one
};
DecodedTaskList DecodeTaskList(std::string_view bytes);

// install path + "/Flinga/uploader.dat"; empty when the install path is unknown.
std::u16string TaskListPath();

// Writes every task of the map, in ascending id order, replacing the file whole. False
// when it could not be written (logged).
bool SaveTaskList(const std::u16string& path);

struct LoadedTaskList {
    bool found = false;    // the file existed and was read
    int restored = 0;      // tasks re-created
    bool damaged = false;  // kept as "<path>.damaged" and logged once
};
// Re-creates the saved tasks (new ids, saved states 1 and 2 queued again, a state no task
// can have read as failed and logged), counts the finished ones in the batch counters
// and gives the mini window its notice; then deletes the file (unless keepFile), or keeps
// a damaged one beside as "<path>.damaged".
LoadedTaskList LoadTaskList(const std::u16string& path, bool keepFile = false);

// The save step of WM_SAVE_AND_EXIT: the list now, as the last write of the run. The
// main window runs its exit sequence afterwards.
bool SaveTasksForExit();
// When the main window is created: the saved list of TaskListPath(), once per run. With
// the queue's saver running, the file is kept and replaced by the saver's first write
// (which holds the restored tasks); without it, it is deleted after loading.
LoadedTaskList RestoreSavedTasks();

}  // namespace intake
