#include "platform/terminal.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

namespace platform {
namespace {

// Switches the terminal's echo off for its lifetime.
class EchoOff {
public:
    explicit EchoOff(int fd) : m_Fd(fd) {
        if (::tcgetattr(fd, &m_Saved) != 0)
            return;
        termios quiet = m_Saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        m_Active = ::tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (m_Active)
            ::tcsetattr(m_Fd, TCSAFLUSH, &m_Saved);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int m_Fd;
    termios m_Saved{};
    bool m_Active = false;
};

std::optional<std::string> ReadLine() {
    std::string line;
    if (!std::getline(std::cin, line) && line.empty())
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

}  // namespace

std::optional<std::string> ReadSecretLine(const std::string& prompt) {
    if (!::isatty(STDIN_FILENO))
        return ReadLine();
    std::cerr << prompt << std::flush;
    std::optional<std::string> line;
    {
        EchoOff quiet(STDIN_FILENO);
        line = ReadLine();
    }
    std::cerr << std::endl;  // the user's Enter was not echoed either
    return line;
}

std::optional<std::string> ReadPromptedLine(const std::string& prompt) {
    if (::isatty(STDIN_FILENO))
        std::cerr << prompt << std::flush;
    return ReadLine();
}

bool IsStandardErrorTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace platform
