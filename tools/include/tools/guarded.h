#pragma once

// A value and the mutex that guards it, for process-wide holders that other threads read
// and write: Get() hands out a copy, Set() replaces the value, With() runs a function on
// the value with the lock held (for a change of one field, or a read of several at once).

#include <mutex>
#include <utility>

namespace tools {

template <typename T>
class Guarded {
public:
    Guarded() = default;
    explicit Guarded(T value) : m_Value(std::move(value)) {}
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    T Get() const {
        std::lock_guard lock(m_Lock);
        return m_Value;
    }

    void Set(T value) {
        std::lock_guard lock(m_Lock);
        m_Value = std::move(value);
    }

    // f must not call back into this holder: the lock is not recursive.
    template <typename F>
    decltype(auto) With(F&& f) {
        std::lock_guard lock(m_Lock);
        return std::forward<F>(f)(m_Value);
    }

private:
    mutable std::mutex m_Lock;
    T m_Value{};  // guarded by m_Lock
};

}  // namespace tools
