#pragma once

// The file version built into an executable or shared library: a text record that the
// object library norvel_version_resource places in every binary that links it.

#include <string>
#include <string_view>

namespace tools {

// Reads the file at path; on finding a complete record sets version to "%d.%d.%d.%d"
// (the four parts of the file version, most significant first) and specialBuild to the
// record's special-build text (often empty), and returns true. Returns false, leaving
// both outputs untouched, when the file cannot be read or holds no complete record.
bool GetModuleVersion(std::u16string_view path, std::u16string& version,
                      std::u16string& specialBuild);

}  // namespace tools
