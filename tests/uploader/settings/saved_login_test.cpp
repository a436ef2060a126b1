#include <atomic>

#include "settings/registry_values.h"
#include "settings/session_state.h"
#include "settings_test_support.h"

using namespace settings;

namespace {

class SavedLoginTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        m_Queries = 0;
        m_Confirmation.retryWait = std::chrono::milliseconds(1);
        AnswerQueries(true);
    }

    int Restore() { return RestoreSavedLogin(m_Session, m_Confirmation); }

    void StoreLogin(bool keep) {
        auto norvel = Key(kNorvelKey);
        norvel.WriteString(u"CLIENT_ID", u"cid");
        norvel.WriteString(u"CLIENT_SECRET", u"secret");
        auto flinga = Key(kFlingaKey);
        flinga.WriteString(u"USER_NAME", u"alice");
        flinga.WriteString(u"USER_TOKEN", u"tok");
        flinga.WriteString(u"USER_ID", u"42");
        flinga.WriteDword(u"KEEP_LOGIN", keep ? 1 : 0);
    }

    // The fake user-information request answers `ok` from the given attempt on.
    void AnswerQueries(bool ok, int fromAttempt = 1) {
        m_Confirmation.query = [this, ok, fromAttempt] { return ++m_Queries >= fromAttempt && ok; };
    }

    std::atomic<int> m_Queries{0};
    CSessionState m_Session;
    LoginConfirmation m_Confirmation;
};

}  // namespace

TEST_F(SavedLoginTest, KeptLoginIsRestoredIntoTheCaches) {
    StoreLogin(true);
    EXPECT_EQ(Restore(), 1);
    EXPECT_TRUE(m_Session.IsLoggedIn());
    EXPECT_EQ(GetUserName(), u"alice");
    EXPECT_EQ(GetToken(), u"tok");
    EXPECT_EQ(GetClientId(), u"cid");
    EXPECT_EQ(GetClientSecret(), u"secret");
    EXPECT_EQ(GetUserId(), "42");
    EXPECT_TRUE(HasKeptLogin());
}

TEST_F(SavedLoginTest, AnyMissingValueMeansNoLogin) {
    StoreLogin(true);
    Key(kFlingaKey).DeleteValue(u"USER_ID");
    EXPECT_EQ(Restore(), 0);
    EXPECT_EQ(m_Queries.load(), 0);
    EXPECT_FALSE(m_Session.IsLoggedIn());
}

TEST_F(SavedLoginTest, UnkeptLoginSurvivesOnlyUntilTheNextBoot) {
    StoreLogin(false);
    Key(kFlingaKey).WriteDword(u"SYSTEM_STARTTIME", static_cast<uint32_t>(GetBootTime()));
    EXPECT_EQ(Restore(), 1);

    // Saved a minute before this boot: the machine restarted since.
    m_Session.SetLoggedIn(false);
    Key(kFlingaKey).WriteDword(u"SYSTEM_STARTTIME", static_cast<uint32_t>(GetBootTime() - 60));
    EXPECT_EQ(Restore(), 0);

    Key(kFlingaKey).DeleteValue(u"SYSTEM_STARTTIME");
    EXPECT_EQ(Restore(), 0);
    EXPECT_FALSE(HasKeptLogin());
}

TEST_F(SavedLoginTest, ConfirmationIsTriedThreeTimes) {
    StoreLogin(true);
    AnswerQueries(true, 3);
    EXPECT_EQ(Restore(), 1);
    EXPECT_EQ(m_Queries.load(), 3);

    m_Session.SetLoggedIn(false);
    m_Queries = 0;
    AnswerQueries(false);
    EXPECT_EQ(Restore(), 0);
    EXPECT_EQ(m_Queries.load(), 3);
    EXPECT_FALSE(m_Session.IsLoggedIn());
}

TEST_F(SavedLoginTest, WithoutAQueryNothingIsConfirmed) {
    StoreLogin(true);
    m_Confirmation.query = nullptr;
    EXPECT_EQ(Restore(), 0);
}

TEST_F(SavedLoginTest, LoginCompletionStoresWhatTheNextStartRestores) {
    LoginCompletion login;
    login.userName = u"李雷";
    login.token = u"t0k";
    login.userIdUtf8 = "7";
    login.keepLogin = false;
    EXPECT_TRUE(SaveLoginCompletion(login));
    const auto bootTime = ReadDword(kFlingaKey, kSystemStartTime);
    ASSERT_TRUE(bootTime);
    EXPECT_NEAR(static_cast<double>(*bootTime), static_cast<double>(GetBootTime()), 2.0);
    EXPECT_EQ(ReadDword(kFlingaKey, kKeepLogin), 0u);
    EXPECT_EQ(ReadString(kFlingaKey, kUserName), u"李雷");
    EXPECT_EQ(GetToken(), u"t0k");

    login.keepLogin = true;
    EXPECT_TRUE(SaveLoginCompletion(login));
    EXPECT_FALSE(ReadDword(kFlingaKey, kSystemStartTime));
    EXPECT_EQ(ReadString(kFlingaKey, kUserId), u"7");

    Key(kNorvelKey).WriteString(u"CLIENT_ID", u"cid");
    Key(kNorvelKey).WriteString(u"CLIENT_SECRET", u"s");
    ResetCaches();
    EXPECT_EQ(Restore(), 1);
    EXPECT_EQ(GetUserName(), u"李雷");
}
