#include <filesystem>
#include <string>
#include <vector>

#include "intake/filter.h"
#include "intake_test_support.h"
#include "platform/text.h"

using namespace intake;
using intake_test::IntakeTest;

namespace {

class FilterTest : public IntakeTest {
protected:
    // A path in a folder that does not exist: only the name rules apply.
    std::u16string Missing(const std::u16string& name) { return PathOf("none/") + name; }
    bool NameRefused(const std::u16string& name) { return IsRefusedName(Missing(name)); }
};

}  // namespace

TEST_F(FilterTest, TemporaryAndShortcutExtensionsInAnyCaseFromFourUnits) {
    for (const char16_t* name : {u"a.tmp", u"A.TMP", u".tmp", u"x.Lnk", u".lnk", u"report.TmP"})
        EXPECT_TRUE(NameRefused(name)) << intake_test::Utf8(name);
    for (const char16_t* name : {u"tmp", u"a.tmpx", u"a.tm", u"lnk", u"a.txt"})
        EXPECT_FALSE(NameRefused(name)) << intake_test::Utf8(name);
}

TEST_F(FilterTest, ThumbnailsDesktopFilesAndTempFromSixUnits) {
    for (const char16_t* name :
         {u"thumbs.db", u"Thumbs.DB", u"desktop.ini", u"DESKTOP.INI", u"a.temp", u"b.TEMP"})
        EXPECT_TRUE(NameRefused(name)) << intake_test::Utf8(name);
    // ".temp" is five units: below the rule's length.
    for (const char16_t* name : {u".temp", u"thumbs.db.txt", u"xdesktop.ini", u"a.temps"})
        EXPECT_FALSE(NameRefused(name)) << intake_test::Utf8(name);
}

TEST_F(FilterTest, OfficeOwnerFilesOfDocumentsOnly) {
    for (const char16_t* name :
         {u"~$report.docx", u"~$a.doc", u"~$x.XLSX", u"~$p.pptx", u"~$.doc", u"~$B.DOC"})
        EXPECT_TRUE(NameRefused(name)) << intake_test::Utf8(name);
    for (const char16_t* name : {u"~$notes.txt", u"~$a.do", u"x~$a.doc", u"~a.docx", u"~$a.ppt"})
        EXPECT_FALSE(NameRefused(name)) << intake_test::Utf8(name);
}

TEST_F(FilterTest, ArchiveScratchFilesExactlyTwelveUnitsInExactCase) {
    EXPECT_TRUE(NameRefused(u"__rar_00.abc"));
    EXPECT_TRUE(NameRefused(u"__rzi_00.xyz"));
    EXPECT_FALSE(NameRefused(u"__RAR_00.abc"));
    EXPECT_FALSE(NameRefused(u"__rar_00.abcd"));  // 13 units
    EXPECT_FALSE(NameRefused(u"__rar_00.ab"));    // 11 units
}

TEST_F(FilterTest, PartialDownloadsFromElevenUnits) {
    EXPECT_TRUE(NameRefused(u"a.crdownload"));
    EXPECT_TRUE(NameRefused(u".crdownload"));  // exactly 11
    EXPECT_TRUE(NameRefused(u"Film.CRDOWNLOAD"));
    EXPECT_FALSE(NameRefused(u"crdownload"));
    EXPECT_FALSE(NameRefused(u"a.crdownload.txt"));
}

TEST_F(FilterTest, NumberedTemporaryNames) {
    EXPECT_TRUE(NameRefused(u"~tmp0123456789.x"));
    EXPECT_TRUE(NameRefused(u"~TMP0123456789"));  // exactly 14
    EXPECT_FALSE(NameRefused(u"~tmp01234x6789.x"));
    EXPECT_FALSE(NameRefused(u"~tmp012345678"));  // 13 units
    EXPECT_TRUE(NameRefused(u"atmp1234"));
    EXPECT_TRUE(NameRefused(u"ATMP9999.doc"));
    EXPECT_FALSE(NameRefused(u"atmp12a4"));
    EXPECT_FALSE(NameRefused(u"atmp123"));  // 7 units
    EXPECT_FALSE(NameRefused(u"xatmp1234"));
    EXPECT_FALSE(NameRefused(u"atmp١٢٣٤"));  // only ASCII digits count
}

TEST_F(FilterTest, BriefcaseNameFromSixUnitsEvenForFolders) {
    EXPECT_TRUE(NameRefused(u"新建 公文包"));
    EXPECT_TRUE(NameRefused(u"我的新建 公文包 (2)"));
    EXPECT_FALSE(NameRefused(u"新建公文包"));
    EXPECT_TRUE(IsRefusedName(MakeFolder("新建 公文包")));
}

TEST_F(FilterTest, NamesWithControlCharactersAreRefusedFilesAndFoldersAlike) {
    const std::vector<std::u16string> names = {u"a\nb.txt",      u"\rx",
                                               u"tab\there.pdf", std::u16string(u"nul\0.txt", 8),
                                               u"end\x1f",       u"del\x7f.txt"};
    for (const std::u16string& name : names) {
        EXPECT_TRUE(NameRefused(name)) << intake_test::Utf8(name);
        EXPECT_TRUE(IsRefusedPath(Missing(name))) << intake_test::Utf8(name);
    }
    EXPECT_TRUE(IsRefusedName(MakeFolder("line\nbreak")));
    // Printable text around them is not: spaces, the last ASCII character, beyond ASCII.
    for (const char16_t* name : {u"a b.txt", u"~.txt", u"\x80\xa0.txt", u"上传.txt"})
        EXPECT_FALSE(NameRefused(name)) << intake_test::Utf8(name);
    // Only the name counts: the folder it lies in is not sent.
    EXPECT_FALSE(IsRefusedPath(MakeFile("odd\nfolder/a.txt")));
}

TEST_F(FilterTest, FoldersNamedLikeTemporaryFilesAreAccepted) {
    for (const char* name : {"x.tmp", "thumbs.db", "~$a.doc", "atmp1234", "a.crdownload"}) {
        const std::u16string folder = MakeFolder(std::string("tree/") + name);
        EXPECT_FALSE(IsRefusedName(folder)) << name;
        EXPECT_FALSE(IsRefusedPath(folder)) << name;
        // A file of that name is refused.
        EXPECT_TRUE(IsRefusedPath(MakeFile(std::string("files/") + name))) << name;
    }
}

TEST_F(FilterTest, PathsWithoutAFileNameAreNotRefused) {
    EXPECT_FALSE(IsRefusedPath(u"a.tmp"));  // no folder at all
    EXPECT_FALSE(IsRefusedPath(PathOf("x.tmp") + u"/"));
    EXPECT_FALSE(IsRefusedPath(u""));
    EXPECT_TRUE(IsRefusedPath(PathOf("x.tmp")));
}

TEST_F(FilterTest, HiddenFilesAndFilesInHiddenFoldersAtAnyDepth) {
    EXPECT_TRUE(IsRefusedPath(MakeFile(".profile")));
    EXPECT_TRUE(IsRefusedPath(MakeFile(".cache/a.txt")));
    EXPECT_TRUE(IsRefusedPath(MakeFile("home/.local/share/app/deep/er/b.txt")));
    // Levels that do not exist are passed over; the hidden folder above still counts.
    EXPECT_TRUE(IsRefusedPath(PathOf("home/.local/missing/c.txt")));
    EXPECT_FALSE(IsRefusedPath(MakeFile("home/visible/b.txt")));
    EXPECT_FALSE(IsRefusedPath(PathOf("never/.made/c.txt")));  // nothing exists to look at
    // "." and ".." are no hidden names.
    EXPECT_FALSE(IsRefusedPath(PathOf("home/visible/../visible/b.txt")));
}

TEST_F(FilterTest, InsideTheSyncFolderOnlyTheFoldersBelowItCount) {
    const std::u16string sync = MakeFolder(".hidden-home/Sync");
    const std::u16string inSync = MakeFile(".hidden-home/Sync/docs/a.txt");
    const std::u16string hiddenInSync = MakeFile(".hidden-home/Sync/.secret/b.txt");
    EXPECT_TRUE(IsRefusedPath(inSync));  // no sync folder known: the hidden folder counts

    SetSyncFolder(sync);
    EXPECT_FALSE(IsRefusedPath(inSync));
    EXPECT_TRUE(IsRefusedPath(hiddenInSync));
    EXPECT_TRUE(IsRefusedPath(MakeFile(".hidden-home/Sync/docs/a.tmp")));  // names still count

    SetSyncFolder(sync + u"/");  // a trailing slash in the setting changes nothing
    EXPECT_FALSE(IsRefusedPath(inSync));

    // A hidden sync folder itself is not looked at either.
    const std::u16string hiddenSync = MakeFolder("box/.sync");
    SetSyncFolder(hiddenSync);
    EXPECT_FALSE(IsRefusedPath(MakeFile("box/.sync/a.txt")));
}

TEST_F(FilterTest, FilesInABriefcaseAreRefused) {
    namespace fs = std::filesystem;
    const std::u16string inCase = MakeFile("case/a.txt");
    MakeFile("case/公文包数据库");
    MakeFile("plain/a.txt");
    EXPECT_FALSE(IsRefusedPath(inCase));  // the folder can still be written

    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec;
    fs::permissions(m_Dir.File("case"), readOnly);
    fs::permissions(m_Dir.File("plain"), readOnly);
    EXPECT_TRUE(IsRefusedPath(inCase));
    EXPECT_FALSE(IsRefusedPath(PathOf("plain/a.txt")));  // read-only but no briefcase
    fs::permissions(m_Dir.File("case"), fs::perms::owner_all);
    fs::permissions(m_Dir.File("plain"), fs::perms::owner_all);
}

TEST_F(FilterTest, LongPathsAreFilteredLikeShortOnes) {
    const std::string deep = std::string(120, 'a') + "/" + std::string(120, 'b') + "/";
    const std::u16string temporary = MakeFile(deep + "file.tmp");
    const std::u16string hidden = MakeFile(deep + ".hidden/file.txt");
    ASSERT_GT(temporary.size(), 260u);
    EXPECT_TRUE(IsRefusedPath(temporary));
    EXPECT_TRUE(IsRefusedPath(hidden));
    EXPECT_FALSE(IsRefusedPath(MakeFile(deep + "file.txt")));
}
