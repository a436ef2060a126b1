#pragma once

// Where the log files go.

#include <string>
#include <string_view>

// The given folder, else "INSTALLPATH" + "/Log", else the program's folder + "/Log";
// created (mode 0700, its parent must exist) when missing. Empty when the folder can
// neither be found nor created.
std::u16string FindOrCreateLogDir(std::u16string_view configured);
