#include "settings/service_hosts.h"
#include "settings/registry_values.h"
#include "settings_test_support.h"

using namespace settings;

namespace {
ServiceHost Parsed(std::u16string_view text) {
    ServiceHost host;
    EXPECT_TRUE(ParseServiceHost(text, host)) << std::string(text.begin(), text.end());
    return host;
}
}  // namespace

TEST(ServiceHostTest, AcceptedForms) {
    EXPECT_EQ(Parsed(u"api.example.net"), (ServiceHost{false, u"api.example.net", 80, u""}));
    EXPECT_EQ(Parsed(u"127.0.0.1:8080"), (ServiceHost{false, u"127.0.0.1", 8080, u""}));
    EXPECT_EQ(Parsed(u"http://h:81/"), (ServiceHost{false, u"h", 81, u""}));
    EXPECT_EQ(Parsed(u"HTTPS://h/api/v1/"), (ServiceHost{true, u"h", 443, u"/api/v1"}));
    EXPECT_EQ(Parsed(u" [::1]:9000 "), (ServiceHost{false, u"::1", 9000, u""}));
}

TEST(ServiceHostTest, RefusedForms) {
    ServiceHost host;
    for (std::u16string_view bad :
         {u"", u"http://", u"h:0", u"h:65536", u"h:8x", u"::1", u"a b", u"[::1", u":80"})
        EXPECT_FALSE(ParseServiceHost(bad, host)) << std::string(bad.begin(), bad.end());
}

TEST(ServiceHostTest, BaseUrlLeavesOutDefaultPorts) {
    EXPECT_EQ(BaseUrl(Parsed(u"h")), u"http://h");
    EXPECT_EQ(BaseUrl(Parsed(u"https://h:8443/x")), u"https://h:8443/x");
    EXPECT_EQ(BaseUrl(Parsed(u"[::1]:81")), u"http://[::1]:81");
}

TEST_F(SettingsTest, HostsComeFromTheSettingsWithTheLocalServiceAsDefault) {
    EXPECT_EQ(GetApiHost(), (ServiceHost{false, u"127.0.0.1", 17890, u""}));
    Key(kNorvelKey).WriteString(u"API_HOST", u"api.example.net:8000");
    Key(kNorvelKey).WriteString(u"WEB_HOST", u"not a host");
    EXPECT_EQ(GetApiHost(), (ServiceHost{false, u"api.example.net", 8000, u""}));
    EXPECT_EQ(GetWebHost(), GetLoginHost());  // an unusable value falls back too
}
