#pragma once

// The file kinds that mark a batch as holding media: the text after the last "." of the
// file name, compared without regard to case.

#include <string_view>

namespace batch {

bool IsMediaFile(std::u16string_view fileName);

}  // namespace batch
