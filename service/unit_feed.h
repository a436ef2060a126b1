#pragma once

// The digests an upload unit's new bytes go into while its blocks arrive: the unit's own
// and, in the same pass, the whole file's join when the blocks have it. A large block's
// bytes are digested on a thread beside their receipt, and that digest goes on after the
// block was answered: the unit's next block takes the feed over while its predecessor's
// last bytes are still being digested, and only a block that needs the digests (the
// unit's last) waits for them.

#include <cstddef>
#include <memory>

#include "service/background_feed.h"
#include "service/digest.h"

namespace norvel::service {

struct CJoin;

class CUnitFeed {
public:
    CUnitFeed();
    ~CUnitFeed();  // waits for the digest of what was fed
    CUnitFeed(const CUnitFeed&) = delete;
    CUnitFeed& operator=(const CUnitFeed&) = delete;

    // The whole file's join, fed with the unit's digest from now on. Only before the
    // first bytes.
    void SetJoin(std::unique_ptr<CJoin> join);
    bool HasJoin() const { return m_Join != nullptr; }
    // Adds bytes to the digests: on the feed's thread when `background`; otherwise here,
    // after the thread had every byte before.
    void Feed(const char* data, size_t length, bool background);
    // Lets the thread digest what it has alone, while the feed waits for the next block.
    void Release() { m_Background.Release(); }
    // Waits until every byte fed is digested and returns the unit's digest; the join, as
    // far as it took the unit's bytes, can be taken then.
    CMd5Stream& Settled();
    std::unique_ptr<CJoin> TakeJoin();

private:
    void Add(const char* data, size_t length);

    CMd5Stream m_Md5;
    std::unique_ptr<CJoin> m_Join;
    CBackgroundFeed m_Background;  // last: it finishes before the digests go
};

}  // namespace norvel::service
