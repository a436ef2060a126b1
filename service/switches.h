#pragma once

// Behaviour switches that tests and demos change at run time through the admin requests.
// All are read by request threads without a lock.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "service/json_builder.h"

namespace norvel::service {

// When the upload start asks for a content proof (REQTCON) of content the service holds.
enum class ProofPolicy {
    Foreign,  // only when the uploader has not stored or proved that content before
    Always,
    Never,  // content already held finishes at once for everyone
};

struct CSwitches {
    std::atomic<int64_t> blockSize{4 << 20};          // bytes asked for per block
    std::atomic<int64_t> segmentThreshold{64 << 20};  // files above this size go in segments
    std::atomic<int64_t> segmentSize{16 << 20};       // bytes per segment
    std::atomic<int64_t> nonceEvery{0};  // a fresh nonce after this many signed requests; 0 never
    std::atomic<bool> rejectSignatures{false};  // every signed request gets 401
    std::atomic<bool> forceCaptcha{false};      // every login needs a captcha
    std::atomic<bool> requireSignatures{true};  // signed endpoints check KDW-Auth
    std::atomic<int> proof{int(ProofPolicy::Foreign)};
    std::atomic<int64_t> createdTolerance{600};  // seconds a KDW-Auth "Created" may differ from now

    // Sets a switch by its admin name ("block_size", "segment_threshold", "segment_size",
    // "nonce_every", "reject_signatures", "force_captcha", "require_signatures", "proof",
    // "created_tolerance"). False when the name or the value is not valid.
    bool Set(std::string_view name, std::string_view value);
    // All switches by their admin names, values as text.
    CJsonBuilder Describe() const;
};

}  // namespace norvel::service
