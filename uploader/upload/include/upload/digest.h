#pragma once

// File digests of the upload protocol: the whole file (the file id), each segment (its
// fileid) and the bytes of a range (the content digest of a fast upload). All are MD5 in
// 32 lowercase hex digits, read in steps of 1 MiB through one buffer, so that files of
// any size are digested in bounded memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {
class InputFile;
}

namespace upload {

struct UploadRun;

inline constexpr size_t kDigestStep = 1 << 20;  // bytes per read

// Reads up to `length` bytes of the open file from `offset` in steps of kDigestStep through
// one buffer, handing each step to `take` with its file offset; the number of bytes read, or
// -1 on a read error. Fewer bytes than asked only at the end of the file.
int64_t ReadInSteps(const platform::InputFile& file, uint64_t offset, uint64_t length,
                    const std::function<void(uint64_t, const unsigned char*, size_t)>& take);

// The MD5 of the whole file at path. False (digest empty) when it cannot be opened or a
// read fails; a read error is logged under "OpenFile".
bool FileMd5(std::u16string_view path, std::string& digest);

// The MD5 of exactly `length` bytes of the open file from `offset`. False (digest empty)
// when a read fails or the file holds fewer bytes there: a file that shrank is never
// digested as if it had not.
bool FileRangeMd5(const platform::InputFile& file, uint64_t offset, uint64_t length,
                  std::string& digest);

// The MD5 of the run's file in the range ("start-end"); the task's file is opened first
// when the run has none open. A range that reaches past the end of the file digests the bytes
// that exist. Empty when the range is malformed or the file cannot be read.
std::string RangeDigest(UploadRun& run, std::string_view range);

}  // namespace upload
