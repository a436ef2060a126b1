#include "platform/registry.h"

#include <filesystem>

#include "registry_fixture.h"

using namespace platform;
using norvel::test::WriteFile;
namespace fs = std::filesystem;

namespace {

fs::perms Mode(const std::string& path) {
    return fs::status(path).permissions() & fs::perms::mask;
}

}  // namespace

TEST_F(RegistryTest, WritesTheExportFormatAndReadsItBack) {
    auto flinga = RegistryKey::Create(u"software\\Norvel\\Flinga");
    ASSERT_TRUE(flinga);
    EXPECT_TRUE(flinga->WriteString(u"USER_NAME", u"alice"));
    EXPECT_TRUE(flinga->WriteDword(u"KEEP_LOGIN", 1));
    EXPECT_TRUE(flinga->WriteDword(u"MINITIPS", 0xabcd1234));
    auto norvel = RegistryKey::Create(u"software\\Norvel");  // exists as a parent already
    ASSERT_TRUE(norvel);
    EXPECT_TRUE(norvel->WriteString(u"INSTALLPATH", u"/opt/上传"));
    EXPECT_TRUE(norvel->WriteString(u"", u"default"));

    EXPECT_EQ(Contents(), std::string(kHeader) +
                              "\n[HKEY_CURRENT_USER\\software\\Norvel\\Flinga]\n"
                              "\"USER_NAME\"=\"alice\"\n"
                              "\"KEEP_LOGIN\"=dword:00000001\n"
                              "\"MINITIPS\"=dword:abcd1234\n"
                              "\n[HKEY_CURRENT_USER\\software\\Norvel]\n"
                              "\"INSTALLPATH\"=\"/opt/\xE4\xB8\x8A\xE4\xBC\xA0\"\n"
                              "@=\"default\"\n");
    EXPECT_EQ(flinga->ReadString(u"USER_NAME"), u"alice");
    EXPECT_EQ(flinga->ReadDword(u"KEEP_LOGIN"), 1u);
    EXPECT_EQ(norvel->ReadString(u"INSTALLPATH"), u"/opt/上传");
    EXPECT_EQ(norvel->ReadString(u""), u"default");
    // A value of another type, or none at all, reads as missing.
    EXPECT_FALSE(flinga->ReadDword(u"USER_NAME"));
    EXPECT_FALSE(flinga->ReadString(u"KEEP_LOGIN"));
    EXPECT_FALSE(flinga->ReadString(u"USER_TOKEN"));
    // Read by path, without opening the key first.
    EXPECT_EQ(RegistryKey::GetString(u"SOFTWARE\\norvel\\flinga", u"user_name"), u"alice");
    EXPECT_EQ(RegistryKey::GetDword(u"software\\Norvel\\Flinga", u"MINITIPS"), 0xabcd1234u);
    EXPECT_FALSE(RegistryKey::GetString(u"software\\Norvel\\Missing", u"USER_NAME"));
}

TEST_F(RegistryTest, ReadsHandWrittenFilesWithOtherLineEndingsAndTypes) {
    WriteFile(File(), std::string(kHeader) +
                          "\r\n[HKEY_CURRENT_USER\\software\\Norvel]\r\n"
                          "; a comment\r\n"
                          "\"PATH\"=\"C:\\\\dir\\\\\\\"q\\\"\"\r\n"
                          "\"WIDE\"=hex(1):41,00,e4,4e,00,00\r\n"
                          "\"NUMBER\"=hex(4):78,56,34,12\r\n"
                          "\"EXPAND\"=hex(2):25,00,\\\r\n  41,00,00,00\r\n");
    auto key = RegistryKey::Open(u"software\\Norvel");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadString(u"PATH"), u"C:\\dir\\\"q\"");
    EXPECT_EQ(key->ReadString(u"WIDE"), u"A\u4ee4");
    EXPECT_EQ(key->ReadDword(u"NUMBER"), 0x12345678u);
    EXPECT_FALSE(key->ReadString(u"EXPAND"));

    // A change leaves the values of other types as they were written.
    EXPECT_TRUE(key->WriteDword(u"ADDED", 7));
    EXPECT_NE(Contents().find("\"EXPAND\"=hex(2):25,00,\\\n  41,00,00,00\n"), std::string::npos);
    EXPECT_NE(Contents().find("\"WIDE\"=hex(1):41,00,e4,4e,00,00\n"), std::string::npos);
    EXPECT_EQ(key->ReadString(u"PATH"), u"C:\\dir\\\"q\"");
}

TEST_F(RegistryTest, EscapesBackslashesAndQuotes) {
    auto key = RegistryKey::Create(u"software\\Norvel");
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->WriteString(u"A \"B\"", u"C:\\x\\\"q\"\\"));
    EXPECT_EQ(Contents(), std::string(kHeader) + "\n[HKEY_CURRENT_USER\\software\\Norvel]\n" +
                              R"("A \"B\""="C:\\x\\\"q\"\\")" + "\n");
    EXPECT_EQ(key->ReadString(u"A \"B\""), u"C:\\x\\\"q\"\\");
}

TEST_F(RegistryTest, TextThatCannotStandOnALineComesBackUnchanged) {
    auto key = RegistryKey::Create(u"software\\Norvel");
    ASSERT_TRUE(key);
    const std::u16string lines(u"one\ntwo\r\0three", 14);
    const std::u16string loneSurrogate = std::u16string(u"a") + char16_t(0xD800) + u"b";
    ASSERT_TRUE(key->WriteString(u"LINES", lines));
    ASSERT_TRUE(key->WriteString(u"SURROGATE", loneSurrogate));
    ASSERT_TRUE(key->WriteString(u"AFTER", u"tab\there"));
    EXPECT_EQ(Contents().find("two"), std::string::npos) << Contents();
    // Read by a fresh parse of the file, not from the copy in memory.
    const std::string text = Contents();
    WriteFile(File(), text + "\n");
    EXPECT_EQ(key->ReadString(u"LINES"), lines);
    EXPECT_EQ(key->ReadString(u"SURROGATE"), loneSurrogate);
    EXPECT_EQ(key->ReadString(u"AFTER"), u"tab\there");
    EXPECT_FALSE(fs::exists(File() + ".damaged"));
    // Names and key paths with line breaks are refused.
    EXPECT_FALSE(key->WriteString(u"BAD\nNAME", u"x"));
    EXPECT_FALSE(RegistryKey::Create(u"software\\bad\nkey"));
}

TEST_F(RegistryTest, NamesAndPathsIgnoreAsciiCaseAndKeepTheFirstSpelling) {
    ASSERT_TRUE(RegistryKey::Create(u"Software\\Norvel")->WriteString(u"User_Name", u"a"));
    auto again = RegistryKey::Open(u"SOFTWARE\\norvel\\");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->ReadString(u"USER_NAME"), u"a");
    ASSERT_TRUE(again->WriteString(u"USER_NAME", u"b"));
    EXPECT_EQ(Contents(), std::string(kHeader) +
                              "\n[HKEY_CURRENT_USER\\Software\\Norvel]\n\"User_Name\"=\"b\"\n");
    // Only ASCII letters are folded.
    ASSERT_TRUE(again->WriteString(u"\u00C4", u"x"));
    EXPECT_FALSE(again->ReadString(u"\u00E4"));
}

TEST_F(RegistryTest, OpenFindsExistingKeysAndTheirParentsOnly) {
    EXPECT_FALSE(RegistryKey::Open(u"software\\Norvel"));
    EXPECT_FALSE(fs::exists(File()));  // looking creates nothing
    ASSERT_TRUE(RegistryKey::Create(u"software\\Norvel\\Flinga"));
    EXPECT_TRUE(RegistryKey::Open(u"software"));
    EXPECT_TRUE(RegistryKey::Open(u"software\\Norvel"));
    EXPECT_TRUE(RegistryKey::Open(u"\\software\\\\Norvel\\Flinga\\"));
    EXPECT_FALSE(RegistryKey::Open(u"software\\Nor"));
    EXPECT_FALSE(RegistryKey::Open(u"software\\Norvel\\Flinga\\More"));
    EXPECT_TRUE(RegistryKey::Open(u""));  // HKEY_CURRENT_USER itself
}

TEST_F(RegistryTest, DeleteValueAndDeleteAllValues) {
    auto flinga = RegistryKey::Create(u"software\\Norvel\\Flinga");
    auto norvel = RegistryKey::Create(u"software\\Norvel");
    ASSERT_TRUE(flinga && norvel);
    ASSERT_TRUE(flinga->WriteString(u"A", u"1"));
    ASSERT_TRUE(flinga->WriteDword(u"B", 2));
    ASSERT_TRUE(norvel->WriteString(u"C", u"3"));

    EXPECT_TRUE(flinga->DeleteValue(u"a"));
    EXPECT_FALSE(flinga->DeleteValue(u"A"));
    EXPECT_FALSE(flinga->ReadString(u"A"));
    EXPECT_EQ(flinga->ReadDword(u"B"), 2u);

    EXPECT_TRUE(flinga->DeleteAllValues());
    EXPECT_FALSE(flinga->ReadDword(u"B"));
    EXPECT_TRUE(RegistryKey::Open(u"software\\Norvel\\Flinga"));  // the key stays
    EXPECT_EQ(norvel->ReadString(u"C"), u"3");
    EXPECT_TRUE(flinga->DeleteAllValues());
    EXPECT_NE(Contents().find("[HKEY_CURRENT_USER\\software\\Norvel\\Flinga]\n\n"),
              std::string::npos);
}

TEST_F(RegistryTest, ReadsAgainWhenAnotherWriterChangedTheFile) {
    auto key = RegistryKey::Create(u"software\\Norvel");
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->WriteString(u"USER_NAME", u"alice"));
    ASSERT_EQ(key->ReadString(u"USER_NAME"), u"alice");
    const std::string section = std::string(kHeader) + "\n[HKEY_CURRENT_USER\\software\\Norvel]\n";

    // Replaced by a file of the same size, as another process would.
    WriteFile(File() + ".new", section + "\"USER_NAME\"=\"bobby\"\n");
    fs::rename(File() + ".new", File());
    EXPECT_EQ(key->ReadString(u"USER_NAME"), u"bobby");

    // Edited in place.
    WriteFile(File(), section + "\"USER_NAME\"=\"carol\"\n\"OTHER\"=dword:00000005\n");
    EXPECT_EQ(key->ReadString(u"USER_NAME"), u"carol");

    // A change keeps what the other writer added.
    ASSERT_TRUE(key->WriteString(u"USER_TOKEN", u"t"));
    EXPECT_EQ(key->ReadDword(u"OTHER"), 5u);
    EXPECT_NE(Contents().find("\"OTHER\"=dword:00000005\n"), std::string::npos);

    fs::remove(File());
    EXPECT_FALSE(key->ReadString(u"USER_NAME"));
    EXPECT_FALSE(RegistryKey::Open(u"software\\Norvel"));
}

TEST_F(RegistryTest, FileIsPrivateAndItsFoldersAreCreatedPrivate) {
    UseFile("a/b/registry.reg");
    ASSERT_TRUE(RegistryKey::Create(u"software"));
    EXPECT_EQ(Mode(File()), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Mode(m_Dir.File("a")), fs::perms::owner_all);
    EXPECT_EQ(Mode(m_Dir.File("a/b")), fs::perms::owner_all);

    fs::permissions(File(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read);
    ASSERT_TRUE(RegistryKey::Open(u"software")->WriteDword(u"X", 1));
    EXPECT_EQ(Mode(File()), fs::perms::owner_read | fs::perms::owner_write);
    // No temporary file is left beside it.
    for (const auto& entry : fs::directory_iterator(m_Dir.File("a/b")))
        EXPECT_TRUE(entry.path().filename() == "registry.reg" ||
                    entry.path().filename() == "registry.reg.lock")
            << entry.path();
}

TEST_F(RegistryTest, AFileThatCannotBeReadIsNeverReplaced) {
    fs::create_directories(File());  // a folder where the file should be
    EXPECT_FALSE(RegistryKey::Create(u"software"));
    EXPECT_TRUE(fs::is_directory(File()));
    EXPECT_FALSE(RegistryKey::Open(u"software"));
}

TEST_F(RegistryTest, ALinkToTheFileStaysALink) {
    const std::string target = m_Dir.File("dotfiles/registry.reg");
    fs::create_directories(m_Dir.File("dotfiles"));
    WriteFile(target, std::string(kHeader) + "\n[HKEY_CURRENT_USER\\software]\n\"A\"=\"1\"\n");
    UseFile("link.reg");
    fs::create_symlink(target, File());
    auto key = RegistryKey::Open(u"software");
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->WriteString(u"B", u"2"));
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_NE(norvel::test::ReadFile(target).find("\"B\"=\"2\""), std::string::npos);
}

// A read does not resolve the link; a link turned to another file is still noticed, and a
// change made after a read through the link goes into the file, not over the link.
TEST_F(RegistryTest, ALinkTurnedToAnotherFileIsReadFromThatFile) {
    fs::create_directories(m_Dir.File("dotfiles"));
    const std::string first = m_Dir.File("dotfiles/first.reg");
    const std::string second = m_Dir.File("dotfiles/second.reg");
    WriteFile(first, std::string(kHeader) + "\n[HKEY_CURRENT_USER\\software]\n\"A\"=\"1\"\n");
    WriteFile(second, std::string(kHeader) + "\n[HKEY_CURRENT_USER\\software]\n\"A\"=\"22\"\n");
    UseFile("link.reg");
    fs::create_symlink(first, File());
    EXPECT_EQ(RegistryKey::Open(u"software")->ReadString(u"A"), u"1");
    fs::remove(File());
    fs::create_symlink(second, File());
    EXPECT_EQ(RegistryKey::Open(u"software")->ReadString(u"A"), u"22");
    ASSERT_TRUE(RegistryKey::Open(u"software")->WriteString(u"B", u"3"));
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_NE(norvel::test::ReadFile(second).find("\"B\"=\"3\""), std::string::npos);
    EXPECT_EQ(norvel::test::ReadFile(first).find("\"B\""), std::string::npos);
}
