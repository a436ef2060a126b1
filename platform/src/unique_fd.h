#pragma once

// Owns one file descriptor and closes it on destruction.

#include <unistd.h>

#include <utility>

namespace platform {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_Fd(fd) {}
    ~UniqueFd() { Close(); }
    UniqueFd(UniqueFd&& other) noexcept : m_Fd(std::exchange(other.m_Fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Close();
            m_Fd = std::exchange(other.m_Fd, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_Fd; }
    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(m_Fd, -1); }
    explicit operator bool() const { return m_Fd >= 0; }

private:
    void Close() {
        if (m_Fd >= 0)
            ::close(m_Fd);
        m_Fd = -1;
    }
    int m_Fd = -1;
};

}  // namespace platform
