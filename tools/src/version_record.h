#pragma once

// The layout of the version record, shared by the reader and the generated source that
// builds the record into a binary:
//
//   "@(#)NORVEL_FILE_VERSION=" a "." b "." c "." d ";SpecialBuild=" text ";" and a zero
//
// a to d are decimal numbers of 0..65535; text is at most 255 bytes of UTF-8 without
// ";" or control characters.

#include <cstddef>
#include <string_view>

namespace tools::version_record {

inline constexpr std::string_view kPrefix = "@(#)NORVEL_FILE_VERSION=";
inline constexpr std::string_view kSpecialBuildKey = ";SpecialBuild=";
inline constexpr size_t kMaxSpecialBuild = 255;

}  // namespace tools::version_record
