#pragma once

// Owns one file descriptor and closes it on destruction; movable, not copyable. The
// objects of this layer that hold a descriptor keep it in one of these.

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
    // Gives up ownership: the caller closes the descriptor.
    int Release() { return std::exchange(m_Fd, -1); }
    explicit operator bool() const { return m_Fd >= 0; }
    // Closes the descriptor now; the object then holds none.
    void Close();

private:
    int m_Fd = -1;
};

}  // namespace platform
