#pragma once

// The paths of an upload, share or Weibo command as request records: a file gives its
// folder and name, a folder the files below it with names relative to its parent, as
// for files dropped on the main window (the intake filter and the sync folder rule apply).

#include <cstdint>
#include <string>
#include <vector>

#include "intake/request_entry.h"

namespace send {

struct RequestPaths {
    intake::RequestBatch batch;
    std::vector<std::string> missing;      // paths that do not exist
    std::vector<std::string> uncarriable;  // too long for a record, or not UTF-8
    std::vector<std::string> refused;      // files the intake filter refuses
};

// Relative paths are taken from workingDir.
RequestPaths BuildRequestPaths(int32_t kind, const std::vector<std::string>& paths,
                               const std::string& workingDir);

}  // namespace send
