#include "send/login_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/registry.h"
#include "send/exit_codes.h"
#include "settings/registry_values.h"
#include "settings/settings.h"

using namespace send;

namespace {

// What the fake steps saw and will answer; one test at a time.
struct Script {
    bool identity = true;
    int prepare = 0;
    AuthOutcome auth;
    std::u16string nameAtPrepare;
    std::u16string userName, password;
    int authCalls = 0;
};
Script g_Script;

CLoginSteps FakeSteps() {
    return CLoginSteps{
        [] { return g_Script.identity; },
        [] {
            g_Script.nameAtPrepare = settings::GetUserName();
            return g_Script.prepare;
        },
        [](const std::u16string& name, const std::u16string& password, const std::u16string&) {
            ++g_Script.authCalls;
            g_Script.userName = name;
            g_Script.password = password;
            return g_Script.auth;
        },
    };
}

std::optional<std::u16string> Stored(std::u16string_view name) {
    const auto key = platform::RegistryKey::Open(settings::kFlingaKey);
    return key ? key->ReadString(name) : std::nullopt;
}

class LoginCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_Script = Script{};
        settings::ResetCaches();
        if (auto key = platform::RegistryKey::Open(settings::kFlingaKey))
            key->DeleteAllValues();
    }
    int Run(const std::string& name, const std::string& password) {
        const CLoginSteps steps = FakeSteps();
        return RunLogin(&steps, name, password, m_Err);
    }
    std::ostringstream m_Err;
};

}  // namespace

TEST_F(LoginCommandTest, ASuccessfulLoginIsStoredAsARememberedLogin) {
    platform::RegistryKey::Create(settings::kFlingaKey)->WriteDword(settings::kSystemStartTime, 12345);
    g_Script.auth.code = 0;
    g_Script.auth.loginText = u"true";
    g_Script.auth.token = u"token-1";
    g_Script.auth.userIdUtf8 = "42";
    EXPECT_EQ(Run("张三", "密码 with blanks"), kExitOk);
    EXPECT_EQ(g_Script.nameAtPrepare, u"张三");  // the first step names the account
    EXPECT_EQ(g_Script.userName, u"张三");
    EXPECT_EQ(g_Script.password, u"密码 with blanks");
    EXPECT_EQ(Stored(settings::kUserName), u"张三");
    EXPECT_EQ(Stored(settings::kUserToken), u"token-1");
    EXPECT_EQ(Stored(settings::kUserId), u"42");
    const auto key = platform::RegistryKey::Open(settings::kFlingaKey);
    EXPECT_EQ(key->ReadDword(settings::kKeepLogin), 1u);
    EXPECT_FALSE(key->ReadDword(settings::kSystemStartTime));  // kept past a restart
    EXPECT_TRUE(settings::HasKeptLogin());
}

TEST_F(LoginCommandTest, RefusalsAndFailuresStoreNothingAndSayWhy) {
    g_Script.auth.loginText = u"false";
    g_Script.auth.errorText = u"密码错误";
    EXPECT_EQ(Run("demo", "wrong"), kExitLoginRefused);
    EXPECT_NE(m_Err.str().find("wrong account or password (密码错误)"), std::string::npos) << m_Err.str();

    g_Script.auth = AuthOutcome{};
    g_Script.auth.loginText = u"error";
    g_Script.auth.captchaRequested = true;
    EXPECT_EQ(Run("demo", "x"), kExitLoginRefused);
    EXPECT_NE(m_Err.str().find("captcha"), std::string::npos);

    g_Script.auth = AuthOutcome{};
    g_Script.auth.code = 1000;
    EXPECT_EQ(Run("demo", "x"), kExitServiceFailed);

    g_Script.prepare = -1;
    const int callsBefore = g_Script.authCalls;
    EXPECT_EQ(Run("demo", "x"), kExitServiceFailed);
    EXPECT_EQ(g_Script.authCalls, callsBefore);  // no password sent after a failed first step

    g_Script.identity = false;
    EXPECT_EQ(Run("demo", "x"), kExitServiceFailed);
    EXPECT_FALSE(Stored(settings::kUserToken));
    EXPECT_FALSE(Stored(settings::kUserName));
}

TEST_F(LoginCommandTest, WithoutTheAccountStepsTheLoginIsNotAvailable) {
    EXPECT_EQ(RunLogin(nullptr, "demo", "x", m_Err), kExitNotAvailable);
    EXPECT_NE(m_Err.str().find("not available yet"), std::string::npos);
    g_Script.prepare = 1002;  // no captcha needed: the login goes on
    g_Script.auth.code = 0;
    g_Script.auth.token = u"t";
    EXPECT_EQ(Run("demo", "x"), kExitOk);
}
