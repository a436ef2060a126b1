// The signing line, byte for byte, and taking the nonce from a 401 reply.

#include <gtest/gtest.h>

#include "net/auth_header.h"
#include "net_test_support.h"
#include "settings/registry_values.h"
#include "settings/settings.h"

using net::AddAuthHeader;
using net::NonceFromAuthHeader;

namespace {

constexpr int64_t kCreated = 1316001600;

class AuthHeaderTest : public net_test::NetTest {};

}  // namespace

TEST_F(AuthHeaderTest, LineForKnownSecretNonceAndTime) {
    net::SetServerNonce("n0nce");
    EXPECT_EQ(AddAuthHeader(u"Accept: */*\r\n", kCreated),
              u"Accept: */*\r\n"
              u"KDW-Auth: AccessToken ClientID=c0ffee, Digest=0ce0bc6750db95c4bb57052c2e808d21, "
              u"Nonce=n0nce, Created=1316001600\r\n");
}

TEST_F(AuthHeaderTest, EmptyNonceDigestsTheSecretAlone) {
    EXPECT_EQ(
        AddAuthHeader(u"", kCreated),
        u"\r\nKDW-Auth: AccessToken ClientID=c0ffee, Digest=63c26d783e36c31caaa65ede77551ea3, "
        u"Nonce=, Created=1316001600\r\n");
}

TEST_F(AuthHeaderTest, CrLfIsAddedOnlyWhenMissing) {
    const std::u16string line =
        u"KDW-Auth: AccessToken ClientID=c0ffee, Digest=63c26d783e36c31caaa65ede77551ea3, "
        u"Nonce=, Created=1316001600\r\n";
    EXPECT_EQ(AddAuthHeader(u"Accept: */*\r\n", kCreated), u"Accept: */*\r\n" + line);
    EXPECT_EQ(AddAuthHeader(u"Accept: */*", kCreated), u"Accept: */*\r\n" + line);
    EXPECT_EQ(AddAuthHeader(u"Accept: */*\n", kCreated), u"Accept: */*\n\r\n" + line);
}

TEST_F(AuthHeaderTest, SecretIsReadAfreshAndMissingValuesGiveEmptyFields) {
    ASSERT_NE(AddAuthHeader(u"", kCreated).find(u"Digest=63c26d"), std::u16string::npos);
    // A new secret counts at once: no cache stands between the stored value and the line.
    settings::WriteString(settings::kNorvelKey, settings::kClientSecret, u"other");
    EXPECT_EQ(AddAuthHeader(u"", kCreated).find(u"Digest=63c26d"), std::u16string::npos);

    settings::DeleteValue(settings::kNorvelKey, settings::kClientSecret);
    settings::DeleteValue(settings::kNorvelKey, settings::kClientId);
    settings::ResetCaches();
    EXPECT_EQ(AddAuthHeader(u"", kCreated),
              u"\r\nKDW-Auth: AccessToken ClientID=, Digest=7728c560af28bf6c3ca3c703d1000297, "
              u"Nonce=, Created=1316001600\r\n");
}

TEST_F(AuthHeaderTest, SameSecondAndNonceGiveTheSameDigest) {
    net::SetServerNonce("abc");
    EXPECT_EQ(AddAuthHeader(u"A: 1\r\n", kCreated), AddAuthHeader(u"A: 1\r\n", kCreated));
    EXPECT_NE(AddAuthHeader(u"A: 1\r\n", kCreated), AddAuthHeader(u"A: 1\r\n", kCreated + 1));
}

TEST_F(AuthHeaderTest, CreatedIsNowInSeconds) {
    const int64_t before = std::time(nullptr);
    const std::u16string block = AddAuthHeader(u"");
    const int64_t after = std::time(nullptr);
    const size_t at = block.find(u"Created=") + 8;
    const std::u16string created = block.substr(at, block.size() - at - 2);
    const int64_t value = std::stoll(std::string(created.begin(), created.end()));
    EXPECT_GE(value, before);
    EXPECT_LE(value, after);
}

TEST(NonceFromAuthHeader, TextBetweenTheQuotesAfterTheMarker) {
    EXPECT_EQ(NonceFromAuthHeader(R"(AccessToken realm="norvel", Nonce="4f2a9c")"), "4f2a9c");
    EXPECT_EQ(NonceFromAuthHeader(R"(Nonce="")"), "");
    EXPECT_EQ(NonceFromAuthHeader(R"(AccessToken realm="norvel")"), "");
    EXPECT_EQ(NonceFromAuthHeader(R"(Nonce=4f2a9c)"), "");
    EXPECT_EQ(NonceFromAuthHeader(R"(Nonce="unterminated)"), "");
    EXPECT_EQ(NonceFromAuthHeader(""), "");
}

TEST(NonceFromAuthHeader, ControlCharactersAreDropped) {
    EXPECT_EQ(NonceFromAuthHeader("Nonce=\"ab\r\nX-Evil: 1\x7f\""), "abX-Evil: 1");
}
