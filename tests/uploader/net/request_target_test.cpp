// Request targets and addresses: what goes on the wire for the paths and hosts of the
// system.

#include <gtest/gtest.h>

#include "net/request_target.h"
#include "settings/service_hosts.h"

using net::OriginOf;
using net::RequestTarget;

TEST(RequestTarget, PathsWithoutLeadingSlashOrWithTrailingBlankBecomeWellFormed) {
    EXPECT_EQ(RequestTarget(u"", u"/app/pc/user.info.php"), "/app/pc/user.info.php");
    EXPECT_EQ(RequestTarget(u"", u"up/up_seginfo"), "/up/up_seginfo");
    EXPECT_EQ(RequestTarget(u"", u"app/stat/stat.php"), "/app/stat/stat.php");
    EXPECT_EQ(RequestTarget(u"", u"/app/pc/sina_weibo.php "), "/app/pc/sina_weibo.php%20");
    EXPECT_EQ(RequestTarget(u"", u""), "/");
}

TEST(RequestTarget, BasePathGoesFirst) {
    EXPECT_EQ(RequestTarget(u"/norvel", u"/up/up_blk"), "/norvel/up/up_blk");
    EXPECT_EQ(RequestTarget(u"/norvel", u"up/up_seginfo"), "/norvel/up/up_seginfo");
}

TEST(RequestTarget, EscapesWhatMayNotStandInATargetAndKeepsExistingEscapes) {
    EXPECT_EQ(RequestTarget(u"", u"/a b\"<>\\^`{|}#x"), "/a%20b%22%3C%3E%5C%5E%60%7B%7C%7D%23x");
    EXPECT_EQ(RequestTarget(u"", u"/a\r\nHost: evil"), "/a%0D%0AHost:%20evil");
    EXPECT_EQ(RequestTarget(u"", u"/s?a=1&b=%2F"), "/s?a=1&b=%2F");
    EXPECT_EQ(RequestTarget(u"", u"/100%"), "/100%25");
    EXPECT_EQ(RequestTarget(u"", u"/%zz"), "/%25zz");
    EXPECT_EQ(RequestTarget(u"", u"/我"), "/%E6%88%91");
}

TEST(OriginOf, SchemeHostAndPort) {
    settings::ServiceHost host;
    host.host = u"127.0.0.1";
    host.port = 8080;
    EXPECT_EQ(OriginOf(host), "http://127.0.0.1:8080");
    host.https = true;
    host.port = 443;
    host.host = u"api.example.net";
    EXPECT_EQ(OriginOf(host), "https://api.example.net:443");
    host.host = u"::1";
    EXPECT_EQ(OriginOf(host), "https://[::1]:443");
}

TEST(OriginOf, HostsThatCouldChangeTheAddressAreRefused) {
    settings::ServiceHost host;
    host.port = 80;
    for (const char16_t* bad :
         {u"", u"evil.net/x", u"user@evil.net", u"a b", u"a?b", u"a#b", u"[::1]"}) {
        host.host = bad;
        EXPECT_EQ(OriginOf(host), "") << "host " << std::string(host.host.begin(), host.host.end());
    }
    host.host = u"127.0.0.1";
    host.port = 0;
    EXPECT_EQ(OriginOf(host), "");
}
