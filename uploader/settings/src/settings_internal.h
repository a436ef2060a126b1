#pragma once

// Shared between the source files of the settings store; not part of its interface.

#include <string>
#include <string_view>

namespace settings {

// Forgets the User-Agent line and the header block, so that they are built again.
void ResetHeaderTexts();

// The file version of the uploader library installed under the install path, as four
// decimal numbers joined by dots; "0.0.0.0" when it cannot be read.
std::u16string InstalledLibraryVersion();

// Puts the client identity into the cache without writing it back.
void CacheClientIdentity(std::u16string_view id, std::u16string_view secret);

}  // namespace settings
