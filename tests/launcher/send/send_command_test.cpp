#include "send/send_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "control/control_server.h"
#include "intake/messages.h"
#include "intake/request_entry.h"
#include "platform/text.h"
#include "send/control_commands.h"
#include "send/exit_codes.h"
#include "support/test_env.h"

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

TEST(SendCommand, StatusListsEveryTaskAndNoNameBreaksItsLine) {
    norvel::test::TempDir dir;
    control::ControlServerOptions options;
    options.socketPath = dir.File("control");
    options.lockPath = dir.File("control.lock");
    constexpr int32_t kTasks = 3000;  // more than one reply holds
    options.status = [] {
        control::ControlStatus status;
        for (int32_t i = 0; i < kTasks; ++i)
            status.tasks.push_back(
                {10001 + i, 1, u"/data/a folder/file-" + platform::Utf8ToWide(std::to_string(i))});
        status.tasks[1].path = u"/data/a\ntask=1 3 /forged\\x";
        status.tasks[2].path = u"/data/\u0085\u2028\t\u00e9.txt";
        return status;
    };
    control::CControlServer server;
    ASSERT_TRUE(server.Start(options));

    control::ControlRequest request;
    request.kind = control::ControlRequest::Kind::Status;
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(RunControlCommand(request, options.socketPath, 10000, out, err, true), kExitOk)
        << err.str();
    std::vector<std::string> tasks;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line.find("tasks-omitted"), std::string::npos);
        if (line.starts_with("task="))
            tasks.push_back(line);
    }
    ASSERT_EQ(tasks.size(), static_cast<size_t>(kTasks));
    EXPECT_EQ(tasks[0], "task=10001 1 /data/a\\x20folder/file-0");
    EXPECT_EQ(tasks[1], "task=10002 1 /data/a\\x0Atask=1\\x203\\x20/forged\\\\x");
    EXPECT_EQ(tasks[2], "task=10003 1 /data/\\xC2\\x85\\xE2\\x80\\xA8\\x09\xC3\xA9.txt");
    EXPECT_EQ(tasks.back(), "task=13000 1 /data/a\\x20folder/file-2999");
}
