#include <filesystem>

#include "platform/registry.h"
#include "registry_fixture.h"

using namespace platform;
using norvel::test::ReadFile;
using norvel::test::WriteFile;
namespace fs = std::filesystem;

namespace {

const std::string kSection = "[HKEY_CURRENT_USER\\software\\Norvel]\n";

}  // namespace

TEST_F(RegistryTest, DamagedFileKeepsEveryReadableValue) {
    const std::string damaged = std::string(kHeader) + "\n" + kSection +
                                "\"GOOD1\"=\"one\"\n"
                                "garbage line\n"
                                "\"BAD_DWORD\"=dword:xyz\n"
                                "\"TOO_LONG\"=dword:123456789\n"
                                "\"UNCLOSED\"=\"abc\n"
                                "\"TRAILING\"=\"abc\" junk\n"
                                "\"BAD_UTF8\"=\"\xC3\x28\"\n"
                                "\"CONTROL\"=\"a\x01\x02\"\n"
                                "\"BAD_HEX\"=hex:0g,11\n"
                                "\"GOOD2\"=dword:00000002\n"
                                "[HKEY_CURRENT_USER\\broken\n"
                                "\"ORPHAN\"=\"lost\"\n"
                                "[HKEY_CURRENT_USER\\software\\Norvel\\Flinga]\n"
                                "\"GOOD3\"=hex(2):41,00,00,00\n" +
                                std::string("\0\xFF\xFE\0junk\n", 9) + "\"GOOD4\"=\"four\"\n";
    WriteFile(File(), damaged);

    auto norvel = RegistryKey::Open(u"software\\Norvel");
    auto flinga = RegistryKey::Open(u"software\\Norvel\\Flinga");
    ASSERT_TRUE(norvel && flinga);
    EXPECT_EQ(norvel->ReadString(u"GOOD1"), u"one");
    EXPECT_EQ(norvel->ReadDword(u"GOOD2"), 2u);
    EXPECT_EQ(flinga->ReadString(u"GOOD4"), u"four");
    for (const char16_t* bad : {u"BAD_DWORD", u"TOO_LONG", u"UNCLOSED", u"TRAILING", u"BAD_UTF8",
                                u"CONTROL", u"BAD_HEX"}) {
        EXPECT_FALSE(norvel->ReadString(bad));
        EXPECT_FALSE(norvel->ReadDword(bad));
    }
    EXPECT_FALSE(RegistryKey::Open(u"broken"));

    // The next write keeps the damaged file aside and writes a clean one.
    ASSERT_TRUE(norvel->WriteString(u"NEW", u"x"));
    EXPECT_EQ(ReadFile(File() + ".damaged"), damaged);
    EXPECT_EQ((fs::status(File() + ".damaged").permissions() & fs::perms::mask),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Contents(), std::string(kHeader) + "\n" + kSection +
                              "\"GOOD1\"=\"one\"\n"
                              "\"GOOD2\"=dword:00000002\n"
                              "\"NEW\"=\"x\"\n"
                              "\n[HKEY_CURRENT_USER\\software\\Norvel\\Flinga]\n"
                              "\"GOOD3\"=hex(2):41,00,00,00\n"
                              "\"GOOD4\"=\"four\"\n");
    // The clean file is not taken for damaged: a second write leaves the copy alone.
    fs::remove(File() + ".damaged");
    ASSERT_TRUE(norvel->WriteString(u"NEW", u"y"));
    EXPECT_FALSE(fs::exists(File() + ".damaged"));
}

TEST_F(RegistryTest, ALastLineCutShortIsDropped) {
    const std::string start = std::string(kHeader) + "\n" + kSection + "\"A\"=\"kept\"\n";
    struct Case {
        const char* tail;
        bool readable;
    };
    const Case cases[] = {
        {"\"B\"=\"hal", false},
        {"\"B\"=dword:0000", false},
        {"\"B\"=dword:0000000", false},
        {"\"B\"=dword:00000001", true},
        {"\"B\"=hex:01,0", false},
        {"\"B\"=hex:01,", false},
        {"\"B\"=hex(2):41,00", false},
        {"\"B\"=\"whole\"", true},
        {"\"B", false},
        {"[HKEY_CURRENT_USER\\softw", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        UseFile("cut" + std::to_string(n++) + ".reg");
        WriteFile(File(), start + c.tail);
        auto key = RegistryKey::Open(u"software\\Norvel");
        ASSERT_TRUE(key);
        EXPECT_EQ(key->ReadString(u"A"), u"kept");
        EXPECT_EQ(key->ReadString(u"B") || key->ReadDword(u"B"), c.readable);
    }
}

TEST_F(RegistryTest, JunkWithoutHeaderIsDamagedButReplaceable) {
    static const char kJunk[] =
        "\x7F"
        "ELF\x02\x01\x01\0\0\0garbage\xFF\xFE";
    const std::string junk(kJunk, sizeof(kJunk) - 1);
    WriteFile(File(), junk);
    EXPECT_FALSE(RegistryKey::Open(u"software"));
    auto key = RegistryKey::Create(u"software");
    ASSERT_TRUE(key);
    EXPECT_EQ(ReadFile(File() + ".damaged"), junk);
    EXPECT_EQ(Contents(), std::string(kHeader) + "\n[HKEY_CURRENT_USER\\software]\n");

    // A missing header alone costs no value.
    UseFile("headless.reg");
    WriteFile(File(), kSection + "\"A\"=\"1\"\n");
    EXPECT_EQ(RegistryKey::Open(u"software\\Norvel")->ReadString(u"A"), u"1");
}

TEST_F(RegistryTest, DamageIsReportedOnceOnStandardError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: nothing reported yet
    const auto readTwoDamagedFiles = [this] {
        ::testing::internal::CaptureStderr();
        for (const char* name : {"one.reg", "two.reg"}) {
            UseFile(name);
            WriteFile(File(), std::string(kHeader) + "junk\n");
            (void)RegistryKey::Open(u"software");
            WriteFile(File(), std::string(kHeader) + "more junk\n");
            (void)RegistryKey::Open(u"software");
        }
        const std::string errors = ::testing::internal::GetCapturedStderr();
        size_t reports = 0;
        for (size_t at = errors.find("is damaged"); at != std::string::npos;
             at = errors.find("is damaged", at + 1))
            ++reports;
        const bool namesTheFile = errors.find(m_Dir.File("one.reg")) != std::string::npos;
        std::exit(reports == 1 && namesTheFile ? 0 : 1);
    };
    EXPECT_EXIT(readTwoDamagedFiles(), ::testing::ExitedWithCode(0), "");
}
