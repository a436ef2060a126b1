#include "tools/md5.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tools {
namespace {

std::string Hex(const std::string& message) {
    std::string out = "not cleared";
    Md5Hex(message.data(), message.size(), out);
    return out;
}

std::string HexOf(const unsigned char (&digest)[16]) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char byte : digest) {
        out += kDigits[byte >> 4];
        out += kDigits[byte & 15];
    }
    return out;
}

// Bytes that are not a repeated pattern, so that a block processed twice or skipped
// changes the digest.
std::vector<unsigned char> SampleBytes(size_t count) {
    std::vector<unsigned char> bytes(count);
    uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<unsigned char>(x >> 23);
    }
    return bytes;
}

TEST(Md5Hex, RfcSuite) {
    EXPECT_EQ(Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(Hex("1234567890123456789012345678901234567890"
                  "1234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

// Lengths around the padding limits: 55 bytes still take one block, 56 need two, and
// whole blocks get a block of padding of their own.
TEST(Md5Hex, LengthsAroundBlockAndPaddingEdges) {
    const std::pair<size_t, const char*> cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},  {56, "3b0c8ac703f828b04c6c197006d17218"},
        {57, "652b906d60af96844ebd21b674f35e93"},  {63, "b06521f39153d618550606be297466d5"},
        {64, "014842d480b571495a4a0363793f7367"},  {65, "c743a45e0d2e6a95cb859adae0248435"},
        {119, "8a7bd0732ed6a28ce75f6dabc90e1613"}, {120, "5f61c0ccad4cac44c75ff505e1f1e537"},
        {128, "e510683b3f5ffe4093d021808bc6ff70"},
    };
    for (const auto& [length, digest] : cases)
        EXPECT_EQ(Hex(std::string(length, 'a')), digest) << length << " bytes";
}

TEST(Md5Hex, MillionLetters) {
    EXPECT_EQ(Hex(std::string(1000000, 'a')), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Md5Hex, ReplacesWhatTheOutputHeld) {
    std::string out(100, 'x');
    Md5Hex("abc", 3, out);
    EXPECT_EQ(out, "900150983cd24fb0d6963f7d28e17f72");
    Md5Hex(nullptr, 0, out);
    EXPECT_EQ(out, "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Md5Ctx, PiecesOfAnySizeGiveTheDigestOfTheWhole) {
    const std::vector<unsigned char> bytes = SampleBytes(5000);
    std::string whole;
    Md5Hex(bytes.data(), bytes.size(), whole);

    for (size_t piece : {1u, 3u, 7u, 55u, 63u, 64u, 65u, 127u, 1000u}) {
        MD5_CTX context;
        for (size_t at = 0; at < bytes.size(); at += piece)
            context.Update(bytes.data() + at, std::min(piece, bytes.size() - at));
        context.Update(bytes.data(), 0);
        unsigned char digest[16];
        context.Final(digest);
        EXPECT_EQ(HexOf(digest), whole) << "pieces of " << piece;
    }
}

TEST(Md5Ctx, InputAtAnyAlignmentGivesTheSameDigest) {
    const std::vector<unsigned char> bytes = SampleBytes(4096 + 8);
    std::string first;
    Md5Hex(bytes.data(), 4096, first);
    for (size_t shift = 1; shift < 8; ++shift) {
        std::vector<unsigned char> shifted(bytes.size());
        std::copy(bytes.begin(), bytes.begin() + 4096, shifted.begin() + shift);
        std::string digest;
        Md5Hex(shifted.data() + shift, 4096, digest);
        EXPECT_EQ(digest, first) << "shift " << shift;
    }
}

TEST(Md5Ctx, FinalStartsANewMessage) {
    MD5_CTX context;
    unsigned char digest[16];
    context.Update(reinterpret_cast<const unsigned char*>("message digest"), 14);
    context.Final(digest);
    EXPECT_EQ(HexOf(digest), "f96b697d7cb7938d525a2f31aaf161d0");

    context.Final(digest);
    EXPECT_EQ(HexOf(digest), "d41d8cd98f00b204e9800998ecf8427e");

    // Half a block left over before Final must not leak into the next message.
    context.Update(reinterpret_cast<const unsigned char*>("xxxxxxxxxxxxxxxxxxxx"), 20);
    context.Final(digest);
    context.Update(reinterpret_cast<const unsigned char*>("abc"), 3);
    context.Final(digest);
    EXPECT_EQ(HexOf(digest), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5Ctx, CopyCarriesOnIndependently) {
    MD5_CTX first;
    first.Update(reinterpret_cast<const unsigned char*>("ab"), 2);
    MD5_CTX second = first;
    first.Update(reinterpret_cast<const unsigned char*>("c"), 1);
    second.Update(reinterpret_cast<const unsigned char*>("x"), 1);
    unsigned char digest[16];
    first.Final(digest);
    EXPECT_EQ(HexOf(digest), "900150983cd24fb0d6963f7d28e17f72");
    second.Final(digest);
    EXPECT_EQ(HexOf(digest), Hex("abx"));
}

// A file's digest and a segment's digest fed the same pieces: the segment starts at a
// block border of the file, inside a block, or at the same place as the file; pieces of
// any size keep both right, whether they go through both at once or one after the other.
TEST(Md5Ctx, UpdateBothGivesEachMessageItsOwnDigest) {
    const std::vector<unsigned char> bytes = SampleBytes(9000);
    for (size_t segmentStart : {0u, 128u, 1000u, 4096u}) {
        std::string file;
        std::string segment;
        Md5Hex(bytes.data(), bytes.size(), file);
        Md5Hex(bytes.data() + segmentStart, bytes.size() - segmentStart, segment);
        for (size_t piece : {1u, 63u, 64u, 100u, 4096u}) {
            MD5_CTX fileContext;
            MD5_CTX segmentContext;
            fileContext.Update(bytes.data(), segmentStart);
            for (size_t at = segmentStart; at < bytes.size(); at += piece)
                MD5_CTX::UpdateBoth(fileContext, segmentContext, bytes.data() + at,
                                    std::min(piece, bytes.size() - at));
            std::string out;
            FinalHex(fileContext, out);
            EXPECT_EQ(out, file) << "segment at " << segmentStart << ", pieces of " << piece;
            FinalHex(segmentContext, out);
            EXPECT_EQ(out, segment) << "segment at " << segmentStart << ", pieces of " << piece;
        }
    }
    MD5_CTX same;  // one message given twice takes the bytes twice
    MD5_CTX::UpdateBoth(same, same, reinterpret_cast<const unsigned char*>("ab"), 2);
    std::string out;
    FinalHex(same, out);
    EXPECT_EQ(out, Hex("abab"));
}

TEST(Md5Hex, FinalHexOfARunningDigestStartsAnEmptyMessage) {
    MD5_CTX context;
    context.Update(reinterpret_cast<const unsigned char*>("ab"), 2);
    context.Update(reinterpret_cast<const unsigned char*>("c"), 1);
    std::string out = "not cleared";
    FinalHex(context, out);
    EXPECT_EQ(out, "900150983cd24fb0d6963f7d28e17f72");
    FinalHex(context, out);
    EXPECT_EQ(out, "d41d8cd98f00b204e9800998ecf8427e");
}

}  // namespace
}  // namespace tools
