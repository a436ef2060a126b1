#include "service/switches.h"

#include "service/form.h"

namespace norvel::service {
namespace {

bool ParseBool(std::string_view text, bool& out) {
    if (text == "1" || text == "true" || text == "on")
        out = true;
    else if (text == "0" || text == "false" || text == "off")
        out = false;
    else
        return false;
    return true;
}

constexpr int64_t kMaxBlock = int64_t(64) << 20;  // the largest block a client may be asked for

}  // namespace

bool CSwitches::Set(std::string_view name, std::string_view value) {
    int64_t number = 0;
    bool flag = false;
    if (name == "block_size" && ParseInteger(value, 1, kMaxBlock, number))
        blockSize = number;
    else if (name == "segment_threshold" && ParseInteger(value, 0, INT64_MAX, number))
        segmentThreshold = number;
    else if (name == "segment_size" && ParseInteger(value, 1, INT32_MAX, number))
        segmentSize = number;
    else if (name == "nonce_every" && ParseInteger(value, 0, INT32_MAX, number))
        nonceEvery = number;
    else if (name == "created_tolerance" && ParseInteger(value, 0, INT32_MAX, number))
        createdTolerance = number;
    else if (name == "reject_signatures" && ParseBool(value, flag))
        rejectSignatures = flag;
    else if (name == "force_captcha" && ParseBool(value, flag))
        forceCaptcha = flag;
    else if (name == "require_signatures" && ParseBool(value, flag))
        requireSignatures = flag;
    else if (name == "proof" && value == "foreign")
        proof = int(ProofPolicy::Foreign);
    else if (name == "proof" && value == "always")
        proof = int(ProofPolicy::Always);
    else if (name == "proof" && value == "never")
        proof = int(ProofPolicy::Never);
    else
        return false;
    return true;
}

CJsonBuilder CSwitches::Describe() const {
    static const char* const kProof[] = {"foreign", "always", "never"};
    return CJsonBuilder()
        .Set("block_size", blockSize.load())
        .Set("segment_threshold", segmentThreshold.load())
        .Set("segment_size", segmentSize.load())
        .Set("nonce_every", nonceEvery.load())
        .Set("created_tolerance", createdTolerance.load())
        .Set("reject_signatures", rejectSignatures ? "1" : "0")
        .Set("force_captcha", forceCaptcha ? "1" : "0")
        .Set("require_signatures", requireSignatures ? "1" : "0")
        .Set("proof", kProof[proof.load()]);
}

}  // namespace norvel::service
