#pragma once

// Hands a stream of bytes to a function on a thread of its own: Feed() copies the bytes
// into one of a few buffers and returns, so the caller goes on receiving and writing while
// the function works on the bytes before. Finish() waits until the function has had every
// byte, in order; Release() lets the thread finish them alone. Used to digest a large
// block beside its receipt: on two cores the digest no longer adds to the time the block
// takes.

#include <cstddef>
#include <functional>
#include <memory>

namespace norvel::service {

class CBackgroundFeed {
public:
    using Sink = std::function<void(const char*, size_t)>;

    explicit CBackgroundFeed(Sink sink);
    ~CBackgroundFeed();  // finishes
    CBackgroundFeed(const CBackgroundFeed&) = delete;
    CBackgroundFeed& operator=(const CBackgroundFeed&) = delete;

    // Starts the thread when it is not running (after waiting for one that was released).
    void Feed(const char* data, size_t length);
    // Returns at once; the thread ends after the bytes fed so far and gives its buffers
    // back. The sink has them all once Finish() or the next Feed() returned.
    void Release();
    // Returns once the sink had every byte fed and the thread ended.
    void Finish();

    static constexpr size_t kBufferSize = 256 << 10;
    static constexpr size_t kBuffers = 4;

private:
    struct Shared;
    std::unique_ptr<Shared> m_Shared;
};

}  // namespace norvel::service
