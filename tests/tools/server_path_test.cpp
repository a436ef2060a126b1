#include "tools/server_path.h"

#include <gtest/gtest.h>

#include <optional>

namespace tools {
namespace {

// The converted path, or nothing when ToServerPath fails (checking that it left the path
// unchanged).
std::optional<std::u16string> Convert(std::u16string_view root, std::u16string path) {
    const std::u16string original = path;
    if (ToServerPath(root, path))
        return path;
    EXPECT_EQ(path, original) << "a failed conversion changed the path";
    return std::nullopt;
}

TEST(ToServerPath, RootItselfBecomesSlash) {
    EXPECT_EQ(Convert(u"/home/u/Sync", u"/home/u/Sync"), u"/");
    EXPECT_EQ(Convert(u"/home/u/Sync/", u"/home/u/Sync"), u"/");
    EXPECT_EQ(Convert(u"/home/u/Sync", u"/home/u/Sync/"), u"/");
}

TEST(ToServerPath, PathsBelowTheRootLoseIt) {
    EXPECT_EQ(Convert(u"/home/u/Sync", u"/home/u/Sync/a/b.txt"), u"/a/b.txt");
    EXPECT_EQ(Convert(u"/home/u/Sync/", u"/home/u/Sync/a/b.txt"), u"/a/b.txt");
    EXPECT_EQ(Convert(u"/home/u/同步", u"/home/u/同步/照片"), u"/照片");
    EXPECT_EQ(Convert(u"/", u"/etc/hosts"), u"/etc/hosts");
}

TEST(ToServerPath, OnlyWholeComponentsMatch) {
    EXPECT_EQ(Convert(u"/a/b", u"/a/bc"), std::nullopt);
    EXPECT_EQ(Convert(u"/a/b", u"/a/b.txt"), std::nullopt);
    EXPECT_EQ(Convert(u"/a/b/", u"/a/bc/d"), std::nullopt);
    EXPECT_EQ(Convert(u"/a/b", u"/a/b/c"), u"/c");
}

TEST(ToServerPath, PathsOutsideTheRootFail) {
    EXPECT_EQ(Convert(u"/home/u/Sync", u"/home/u/Other/a"), std::nullopt);
    EXPECT_EQ(Convert(u"/home/u/Sync", u"/home/u"), std::nullopt);
    EXPECT_EQ(Convert(u"/home/u/Sync", u"/HOME/u/Sync/a"), std::nullopt);  // case counts
    EXPECT_EQ(Convert(u"", u"/a"), std::nullopt);
    EXPECT_EQ(Convert(u"/", u""), std::nullopt);
    EXPECT_EQ(Convert(u"/", u"relative/a"), std::nullopt);
}

TEST(ToServerPath, BackslashesAreOrdinaryCharacters) {
    EXPECT_EQ(Convert(u"/data", u"/data/a\\b/c\\d.txt"), u"/a\\b/c\\d.txt");
    EXPECT_EQ(Convert(u"/data", u"/data\\x"), std::nullopt);
}

}  // namespace
}  // namespace tools
