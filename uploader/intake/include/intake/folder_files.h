#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace intake {

// Appends the full path of every file below the folder that the intake filter accepts,
// depth first, the entries of each folder in name order. Symbolic links to folders are
// not followed (a link loop cannot trap the walk); links to files are taken. Folders
// that cannot be read, and names that a wide path cannot carry exactly, are skipped.
void CollectFolderFiles(std::u16string_view folder, std::vector<std::u16string>& dropList);

}  // namespace intake
