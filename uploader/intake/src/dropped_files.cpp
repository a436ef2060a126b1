#include <string>

#include "intake/dropped_files.h"
#include "intake/filter.h"
#include "intake/folder_files.h"
#include "intake/intake_ui.h"
#include "intake/request_batch.h"
#include "log/log.h"
#include "log/log_events.h"
#include "platform/files.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace intake {
namespace {

using View = std::u16string_view;

std::u16string WithoutTrailingSlashes(View path) {
    while (path.size() > 1 && path.back() == u'/')
        path.remove_suffix(1);
    return std::u16string(path);
}

// True for the sync folder itself and everything below it: the sync client uploads those.
bool IsInSyncFolder(View path, View syncFolder) {
    if (syncFolder.empty())
        return false;
    if (syncFolder == u"/")
        return true;
    return path == syncFolder || (path.starts_with(syncFolder) && path.size() > syncFolder.size() &&
                                  path[syncFolder.size()] == u'/');
}

// The files one dropped item stands for: the accepted files below a folder, or the file
// itself when the filter accepts it.
std::vector<std::u16string> FilesOfItem(const std::u16string& item) {
    std::vector<std::u16string> files;
    if (platform::IsFolder(item))
        CollectFolderFiles(item, files);
    else if (!IsRefusedPath(item))
        files.push_back(item);
    return files;
}

void ReportUncarried(View path) {
    Log().Write(L3_KEY, log_events::kUploaderAddFile, false,
                u"DESC=the directory or name is longer than an entry can carry", path);
}

void ReportDropCount(size_t count) {
    Log().Write(L3_KEY, log_events::kUploaderAddFile, true, {},
                platform::Utf8ToWide("Drop " + std::to_string(count) + " files into Dlg"));
}

// Appends an entry for each file of one dropped item: the entry's directory is the
// item's folder, its name the rest of the path.
void AddItemEntries(const std::u16string& item, View syncFolder, RequestBatch& batch,
                    std::vector<std::u16string>* uncarried) {
    const size_t slash = item.rfind(u'/');
    const std::u16string dir = item.substr(0, slash);
    const std::vector<std::u16string> files = FilesOfItem(item);
    for (const std::u16string& path : files) {
        if (IsInSyncFolder(path, syncFolder))
            continue;
        UploadRequestEntry entry;
        if (!MakeEntry(kUploadRequest, dir, View(path).substr(dir.size() + 1), entry)) {
            ReportUncarried(path);
            if (uncarried)
                uncarried->push_back(path);
            continue;
        }
        batch.push_back(entry);
    }
    ReportDropCount(files.size());
}

}  // namespace

RequestBatch DroppedPathsToBatch(const std::vector<std::u16string>& items,
                                 std::vector<std::u16string>* uncarried) {
    const std::u16string syncFolder = WithoutTrailingSlashes(settings::GetSyncFolder());
    RequestBatch batch;
    for (const std::u16string& dropped : items) {
        const std::u16string item = WithoutTrailingSlashes(dropped);
        // Only full paths below a folder can be split into a directory and a name.
        if (!item.starts_with(u'/') || item.size() < 2)
            continue;
        AddItemEntries(item, syncFolder, batch, uncarried);
    }
    return batch;
}

void HandleDroppedFiles(const std::vector<std::u16string>& items) {
    HandleDroppedBatch(DroppedPathsToBatch(items));
}

void HandleDroppedBatch(const RequestBatch& batch) {
    // A count of 0 only switches the mini window's counter on; the upload batch gives the
    // real notice.
    IntakeUi().ShowAdded(0, batch.empty() ? View() : EntryName(batch.back()));
    OnRequestBatch(&batch);
}

}  // namespace intake
