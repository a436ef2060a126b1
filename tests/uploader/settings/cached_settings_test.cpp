#include <filesystem>
#include <thread>

#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings_test_support.h"

using namespace settings;

TEST_F(SettingsTest, UserAgentWithoutChannelSaysChannel0000) {
    SetHostProgramPath(u"/nowhere/Flinga/Norvel_Flinga");
    EXPECT_EQ(GetUserAgent(), u"User-Agent: Norvel_flinga/0.0.0.0,Channel=0000\r\n");
    EXPECT_EQ(GetHeaderText(),
              u"Accept: */*\r\nAccept-Language: zh-cn\r\n"
              u"Content-Type: application/x-www-form-urlencoded\r\nCache-Control: no-cache\r\n"
              u"User-Agent: Norvel_flinga/0.0.0.0,Channel=0000\r\n");
}

TEST_F(SettingsTest, UserAgentCarriesTheVersionOfTheInstalledLibrary) {
    // The host program is <temp>/Flinga/Norvel_Flinga, so the install path is <temp>.
    std::filesystem::create_directories(m_Dir.File("Flinga"));
    norvel::test::WriteFile(m_Dir.File("Flinga/libNorvel_flinga.so"),
                            std::string("\x7f"
                                        "ELF...@(#)NORVEL_FILE_VERSION=2.3.4.5;SpecialBuild=;",
                                        53) +
                                std::string(1, '\0') + "tail");
    EXPECT_EQ(GetUserAgent(), u"User-Agent: Norvel_flinga/2.3.4.5,Channel=0000\r\n");
}

TEST_F(SettingsTest, UserAgentCarriesStoredChannelAndIsBuiltOnce) {
    Key(kFlingaKey).WriteString(u"CHANNEL", u"1234");
    EXPECT_EQ(GetUserAgent().substr(GetUserAgent().find(u",")), u",Channel=1234\r\n");
    Key(kFlingaKey).WriteString(u"CHANNEL", u"9999");
    EXPECT_NE(GetUserAgent().find(u"Channel=1234"), std::u16string::npos);
}

TEST_F(SettingsTest, StringValuesLongerThan129CharactersCountAsMissing) {
    Key(kFlingaKey).WriteString(u"USER_TOKEN", std::u16string(129, u't'));
    EXPECT_EQ(GetToken(), std::u16string(129, u't'));

    ResetCaches();
    Key(kFlingaKey).WriteString(u"USER_TOKEN", std::u16string(200, u't'));
    EXPECT_EQ(GetToken(), u"");
    ASSERT_EQ(s_Reports.size(), 1u);
    EXPECT_EQ(s_Reports[0], "READ_RegeditInfo|" + platform::WideToAnsi(u"读取m_Token失败！"));
}

TEST_F(SettingsTest, MissingValuesAreReportedWithTheirOwnCause) {
    EXPECT_EQ(GetUserName(), u"");
    EXPECT_EQ(GetSyncFolder(), u"");
    EXPECT_EQ(GetClientId(), u"");  // not reported
    ASSERT_EQ(s_Reports.size(), 2u);
    EXPECT_EQ(s_Reports[0], "READ_RegeditInfo|" + platform::WideToAnsi(u"读取m_UserName失败！"));
    EXPECT_EQ(s_Reports[1],
              "READ_RegeditInfo|" + platform::WideToAnsi(u"读取m_NorvelFolder失败！"));
}

TEST_F(SettingsTest, GettersCacheTheFirstValueFound) {
    Key(kFlingaKey).WriteString(u"USER_NAME", u"alice");
    EXPECT_EQ(GetUserName(), u"alice");
    Key(kFlingaKey).WriteString(u"USER_NAME", u"bob");
    EXPECT_EQ(GetUserName(), u"alice");
    SetUserName(u"carol");
    EXPECT_EQ(GetUserName(), u"carol");
}

TEST_F(SettingsTest, InstallPathFallsBackToTheFolderAboveTheProgramAndIsWrittenBack) {
    SetHostProgramPath(u"/opt/norvel/Flinga/Norvel_Flinga");
    EXPECT_EQ(GetInstallPath(), u"/opt/norvel");
    EXPECT_EQ(ReadString(kNorvelKey, kInstallPath), u"/opt/norvel");

    ResetCaches();
    Key(kNorvelKey).WriteString(u"INSTALLPATH", u"/home/u/.local/share/norvel");
    EXPECT_EQ(GetInstallPath(), u"/home/u/.local/share/norvel");
}

TEST_F(SettingsTest, ClientIdentityIsCachedAndStored) {
    SetClientId(u"cid");
    SetClientSecret(u"sec");
    EXPECT_EQ(GetClientId(), u"cid");
    EXPECT_EQ(ReadString(kNorvelKey, kClientId), u"cid");
    EXPECT_EQ(ReadString(kNorvelKey, kClientSecret), u"sec");
}

TEST_F(SettingsTest, UserLevelIsWrittenOnlyWhenItChanges) {
    SetUserLevel(u"vip");
    EXPECT_EQ(ReadString(kFlingaKey, kUserLevel), u"vip");
    // Someone else changes the stored value: the same text again must not write.
    Key(kFlingaKey).WriteString(u"USER_LEVEL", u"outside");
    SetUserLevel(u"vip");
    EXPECT_EQ(ReadString(kFlingaKey, kUserLevel), u"outside");
    SetUserLevel(u"gold");
    EXPECT_EQ(ReadString(kFlingaKey, kUserLevel), u"gold");
    EXPECT_EQ(GetUserLevel(), u"gold");
}

TEST_F(SettingsTest, HostsLoseTheirHttpPrefix) {
    SetUploadHost(u"http://up.example.net/x");
    SetSyncHost(u"HTTP://sync.example.net");
    EXPECT_EQ(GetUploadHost(), u"up.example.net/x");
    EXPECT_EQ(GetSyncHost(), u"HTTP://sync.example.net");  // only the exact prefix
}

TEST_F(SettingsTest, SpeedLimitsAreClamped) {
    EXPECT_EQ(ParseSpeedLimits(u"100;200").uploadKBps, 100u);
    EXPECT_EQ(ParseSpeedLimits(u"100;200").downloadKBps, 200u);
    EXPECT_EQ(ParseSpeedLimits(u"99999;-5").uploadKBps, 10240u);
    EXPECT_EQ(ParseSpeedLimits(u"99999;-5").downloadKBps, 0u);
    EXPECT_EQ(ParseSpeedLimits(u"abc").uploadKBps, 0u);
    EXPECT_EQ(ReadSpeedLimits().uploadKBps, 0u);
    Key(kNorvelKey).WriteString(u"LIMITSPEED", u"512;0");
    EXPECT_EQ(ReadSpeedLimits().uploadKBps, 512u);
}

TEST_F(SettingsTest, DwordDefaultsAreWrittenWhenMissing) {
    EXPECT_EQ(ReadFlingaDwordOrInit(kMiniTips, 7), 7u);
    EXPECT_EQ(ReadDword(kFlingaKey, kMiniTips), 7u);
    WriteDword(kFlingaKey, kMiniTips, 3);
    EXPECT_EQ(ReadFlingaDwordOrInit(kMiniTips, 7), 3u);
}

TEST_F(SettingsTest, ConcurrentFirstFillAndUpdatesAreSafe) {
    Key(kFlingaKey).WriteString(u"USER_NAME", u"alice");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                const auto name = GetUserName();
                EXPECT_FALSE(name.empty());
                if (t == 0 && i % 50 == 0)
                    SetToken(u"token" + std::u16string(1, char16_t(u'0' + i % 10)));
                (void)GetToken();
                (void)GetHeaderText();
            }
        });
    for (auto& thread : threads)
        thread.join();
}
