#pragma once

// Reading answers and secrets from the user.

#include <optional>
#include <string>

namespace platform {

// One line of standard input without its line end. When standard input is a terminal the
// prompt is written to standard error and the typed characters are not echoed. Empty at
// the end of input.
[[nodiscard]] std::optional<std::string> ReadSecretLine(const std::string& prompt);

// One line of standard input as typed, after the prompt on standard error when standard
// input is a terminal. Empty at the end of input.
[[nodiscard]] std::optional<std::string> ReadPromptedLine(const std::string& prompt);

// Whether standard error goes to a terminal (a user reads what is written there).
bool IsStandardErrorTerminal();

}  // namespace platform
