// Secrets never reach a log file: the values of token, crypt, secret and password are
// hidden in form bodies and JSON replies alike.

#include <gtest/gtest.h>

#include "net/redaction.h"

using net::RedactSecrets;

TEST(RedactSecrets, FormFields) {
    EXPECT_EQ(RedactSecrets("token=abc123&username=alice&cname=pc"),
              "token=***&username=alice&cname=pc");
    EXPECT_EQ(RedactSecrets("crypt=0f1e&captchaid=&username=bob&cid=77"),
              "crypt=***&captchaid=&username=bob&cid=77");
    EXPECT_EQ(RedactSecrets("cid=1&secret=xyz"), "cid=1&secret=***");
    EXPECT_EQ(RedactSecrets("name=a&password=hunter2\r\nnext"), "name=a&password=***\r\nnext");
    EXPECT_EQ(RedactSecrets("Token=A&PASSWORD=B"), "Token=***&PASSWORD=***");
}

TEST(RedactSecrets, JsonMembersQuotedAndBare) {
    EXPECT_EQ(RedactSecrets(R"({"errno":"0","token":"T-1\"x","uid":"5"})"),
              R"({"errno":"0","token":"***","uid":"5"})");
    EXPECT_EQ(RedactSecrets(R"({"secret" : 12345, "seed": "s"})"),
              R"({"secret" : ***, "seed": "s"})");
    EXPECT_EQ(RedactSecrets(R"([{"password":true}])"), R"([{"password":***}])");
}

TEST(RedactSecrets, OnlyWholeNamesAreHidden) {
    const std::string text = R"(kdw_token=1&tokens=2&mytoken=3&{"kdw_secret":"4","secrets":"5"})";
    EXPECT_EQ(RedactSecrets(text), text);
    EXPECT_EQ(RedactSecrets("the token is here"), "the token is here");
    EXPECT_EQ(RedactSecrets(""), "");
}

TEST(RedactSecrets, ValuesRunToTheEndOfTheText) {
    EXPECT_EQ(RedactSecrets("token="), "token=***");
    EXPECT_EQ(RedactSecrets("a=1&token=abc"), "a=1&token=***");
    EXPECT_EQ(RedactSecrets(R"({"token":"unterminated)"), R"({"token":"***")");
    EXPECT_EQ(RedactSecrets(R"("token":)"), R"("token":***)");
}
