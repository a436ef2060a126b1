#include "send/send_command.h"

#include <gtest/gtest.h>

#include "intake/messages.h"
#include "intake/request_entry.h"

using namespace send;

namespace {

std::optional<SendCommand> Parse(std::vector<std::string> arguments, std::string* error = nullptr) {
    return ParseCommand(arguments, error);
}

}  // namespace

TEST(SendCommand, RequestCommandsTakeTheirPathsAsTheyAre) {
    const auto upload = Parse({"upload", "a.txt", "-not-an-option", "dir/"});
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->kind, CommandKind::Upload);
    EXPECT_EQ(upload->paths, (std::vector<std::string>{"a.txt", "-not-an-option", "dir/"}));
    EXPECT_EQ(RequestKind(upload->kind), intake::kUploadRequest);
    EXPECT_EQ(RequestKind(Parse({"share", "x"})->kind), intake::kShareLinkRequest);
    EXPECT_EQ(RequestKind(Parse({"weibo", "x"})->kind), intake::kWeiboRequest);

    const auto waiting = Parse({"--wait", "30", "upload", "x"});
    ASSERT_TRUE(waiting);
    EXPECT_EQ(waiting->waitMs, 30000u);
}

TEST(SendCommand, MessagesNameTheirTargetByTitleOrProperty) {
    auto command = Parse({"message", "main", "WM_SAVE_AND_EXIT", "0", "0"});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->kind, CommandKind::Message);
    EXPECT_EQ(command->request.target.kind, control::TargetKind::Property);
    EXPECT_EQ(command->request.target.name, u"norvel_uploader_exe");
    EXPECT_EQ(command->request.message, intake::WM_SAVE_AND_EXIT);

    command = Parse({"message", "title:设置", "16", "0x10", "-1"});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->request.target.kind, control::TargetKind::Title);
    EXPECT_EQ(command->request.target.name, u"设置");
    EXPECT_EQ(command->request.message, 16u);
    EXPECT_EQ(command->request.wParam, 16u);
    EXPECT_EQ(command->request.lParam, -1);

    command = Parse({"message", "property:other", "0x5f6", "1", "1"});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->request.target.kind, control::TargetKind::Property);
    EXPECT_EQ(command->request.target.name, u"other");
    EXPECT_EQ(command->request.message, intake::WM_ACCOUNT_COMMAND);

    // A bare word is a title.
    EXPECT_EQ(Parse({"message", "Norvel网盘Flinga", "16", "0", "0"})->request.target.kind,
              control::TargetKind::Title);
}

TEST(SendCommand, UsageErrorsSayWhatIsWrong) {
    std::string error;
    EXPECT_FALSE(Parse({}, &error));
    EXPECT_EQ(error, "no command given");
    EXPECT_FALSE(Parse({"upload"}, &error));
    EXPECT_EQ(error, "upload needs at least one path");
    EXPECT_FALSE(Parse({"message", "main", "WM_NOPE", "0", "0"}, &error));
    EXPECT_EQ(error, "unknown message: WM_NOPE");
    EXPECT_FALSE(Parse({"message", "main", "16", "x", "0"}, &error));
    EXPECT_FALSE(Parse({"message", "main", "16", "0"}, &error));
    EXPECT_FALSE(Parse({"login"}, &error));
    EXPECT_FALSE(Parse({"login", "a", "b"}, &error));
    EXPECT_FALSE(Parse({"--wait", "soon", "status"}, &error));
    EXPECT_FALSE(Parse({"status", "extra"}, &error));
    EXPECT_FALSE(Parse({"delete", "x"}, &error));
    EXPECT_EQ(Parse({"--help"})->kind, CommandKind::Help);
    EXPECT_EQ(Parse({"login", "demo"})->userName, "demo");
}
