// The command families of norvel-flinga-send beyond handing files over: config, log,
// status names, quit and logout's parsing, and how an unreachable service is reported.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "control/control_server.h"
#include "platform/tcp.h"
#include "platform/text.h"
#include "send/config_command.h"
#include "send/control_commands.h"
#include "send/exit_codes.h"
#include "send/log_command.h"
#include "send/login_command.h"
#include "send/send_command.h"
#include "send/service_probe.h"
#include "settings/registry_values.h"
#include "settings/service_hosts.h"
#include "support/test_env.h"

using namespace send;
using norvel::test::TempDir;
using norvel::test::WriteFile;

namespace {

std::optional<SendCommand> Parse(std::vector<std::string> arguments, std::string* error = nullptr) {
    return ParseCommand(arguments, error);
}

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome Config(ConfigAction action, const std::string& key, const std::string& value = {}) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunConfigCommand(action, key, value, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace

TEST(SendCommandLine, NewCommandsParseAndRefuseWhatTheyCannotTake) {
    EXPECT_EQ(Parse({"--version"})->kind, CommandKind::Version);
    EXPECT_EQ(Parse({"quit"})->kind, CommandKind::Quit);
    EXPECT_EQ(Parse({"--wait", "3", "quit"})->waitMs, 3000u);
    EXPECT_EQ(Parse({"logout"})->kind, CommandKind::Logout);
    EXPECT_FALSE(Parse({"status"})->rawStates);
    EXPECT_TRUE(Parse({"status", "--raw"})->rawStates);
    EXPECT_TRUE(Parse({"log", "--follow"})->follow);
    EXPECT_FALSE(Parse({"log"})->follow);
    const auto set = Parse({"config", "set", "API_HOST", "example.org:8080"});
    ASSERT_TRUE(set);
    EXPECT_EQ(set->configAction, ConfigAction::Set);
    EXPECT_EQ(set->configKey, "API_HOST");
    EXPECT_EQ(set->configValue, "example.org:8080");
    EXPECT_EQ(Parse({"config", "unset", "LIMITSPEED"})->configAction, ConfigAction::Unset);

    std::string error;
    EXPECT_FALSE(Parse({"login"}, &error));
    EXPECT_NE(error.find("login needs the account NAME"), std::string::npos);
    EXPECT_FALSE(Parse({"config", "set", "API_HOST"}, &error));
    EXPECT_FALSE(Parse({"config", "get"}, &error));
    EXPECT_FALSE(Parse({"config", "drop", "API_HOST"}, &error));
    EXPECT_FALSE(Parse({"quit", "now"}, &error));
    EXPECT_EQ(error, "quit takes no arguments");
    EXPECT_FALSE(Parse({"log", "-f"}, &error));
    EXPECT_FALSE(Parse({"status", "--names"}, &error));
    EXPECT_NE(UsageText().find("config get KEY"), std::string::npos);
}

TEST(ConfigCommand, WritesEveryKeyThroughTheStoreAndRefusesWhatItCannotUse) {
    // Nothing stored: what the program would use.
    EXPECT_EQ(Config(ConfigAction::Get, "API_HOST").out, "127.0.0.1:17890\n");
    EXPECT_EQ(Config(ConfigAction::Get, "LIMITSPEED").out, "0;0\n");
    EXPECT_EQ(Config(ConfigAction::Get, "MINITIPS").out, "7\n");

    EXPECT_EQ(Config(ConfigAction::Set, "API_HOST", "https://disk.example.org/api").status,
              kExitOk);
    EXPECT_EQ(settings::GetApiHost().host, u"disk.example.org");
    EXPECT_EQ(Config(ConfigAction::Set, "LOGIN_HOST", "[::1]:8080").status, kExitOk);
    EXPECT_EQ(settings::GetLoginHost().port, 8080);
    EXPECT_EQ(Config(ConfigAction::Set, "LIMITSPEED", "512;0").status, kExitOk);
    EXPECT_EQ(settings::ReadSpeedLimits().uploadKBps, 512u);
    EXPECT_EQ(Config(ConfigAction::Set, "AUTO_CLIPBOARD", "1").status, kExitOk);
    EXPECT_EQ(settings::ReadDword(settings::kFlingaKey, settings::kAutoClipboard), 1u);
    EXPECT_EQ(Config(ConfigAction::Set, "MINITIPS", "2").status, kExitOk);
    EXPECT_EQ(Config(ConfigAction::Get, "MINITIPS").out, "2\n");
    EXPECT_EQ(Config(ConfigAction::Get, "API_HOST").out, "https://disk.example.org/api\n");

    // Refused: nothing is written, and the message says what is wanted.
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"API_HOST", ""},           {"API_HOST", "host:port"}, {"WEB_HOST", "ftp://x"},
        {"LIMITSPEED", "100"},      {"LIMITSPEED", "10241;0"}, {"LIMITSPEED", "-1;5"},
        {"AUTO_CLIPBOARD", "yes"},  {"ANONY_LINK", "2"},       {"MINITIPS", "8"},
        {"DOWNLOAD_HOST", "a\xff"},
    };
    for (const auto& [key, value] : refused) {
        const Outcome outcome = Config(ConfigAction::Set, key, value);
        EXPECT_EQ(outcome.status, kExitBadSetting) << key << "=" << value;
        EXPECT_NE(outcome.err.find(key + " refused"), std::string::npos) << outcome.err;
    }
    EXPECT_EQ(settings::ReadSpeedLimits().uploadKBps, 512u);
    EXPECT_EQ(Config(ConfigAction::Get, "API_HOST").out, "https://disk.example.org/api\n");
    const Outcome unknown = Config(ConfigAction::Set, "USER_TOKEN", "forged");
    EXPECT_EQ(unknown.status, kExitBadSetting);
    EXPECT_NE(unknown.err.find("unknown setting: USER_TOKEN"), std::string::npos);
    EXPECT_FALSE(settings::ReadString(settings::kFlingaKey, settings::kUserToken));

    // Unset brings the default back, and unsetting twice is no failure.
    EXPECT_EQ(Config(ConfigAction::Unset, "API_HOST").status, kExitOk);
    EXPECT_EQ(Config(ConfigAction::Unset, "API_HOST").status, kExitOk);
    EXPECT_EQ(Config(ConfigAction::Get, "API_HOST").out, "127.0.0.1:17890\n");
    // A hand-edited value the program cannot use is shown as what applies.
    settings::WriteString(settings::kNorvelKey, settings::kWebHost, u"no:port");
    const Outcome broken = Config(ConfigAction::Get, "WEB_HOST");
    EXPECT_EQ(broken.out, "127.0.0.1:17890\n");
    EXPECT_NE(broken.err.find("not usable"), std::string::npos);
    for (const char* key : {"LOGIN_HOST", "WEB_HOST", "LIMITSPEED", "AUTO_CLIPBOARD", "MINITIPS"})
        Config(ConfigAction::Unset, key);
}

TEST(LogCommand, PrintsTheNewestLogInUtf8AndFollowsItIntoTheNextFile) {
    TempDir folder;
    const std::string gbkLine = platform::WideToAnsi(u"上传完成 a.txt\n");
    ASSERT_NE(gbkLine, platform::WideToUtf8(u"上传完成 a.txt\n"));  // really another code page
    WriteFile(folder.File("norvel-uploader-2026-12-07_03.log"), "old\n");
    WriteFile(folder.File("norvel-uploader-2026-12-08_00.log"), "first\n" + gbkLine + "partial");
    WriteFile(folder.File("norvel-uploader-2026-12-08_00.log.bak"), "not a log\n");
    WriteFile(folder.File("norvel-launcher-2026-12-09_00.log"), "the launcher's\n");

    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunLogCommand(folder.Path(), {}, out, err), kExitOk);
    EXPECT_EQ(out.str(), "first\n上传完成 a.txt\npartial");

    // Following: the unfinished line waits for its end, then the next file is read whole.
    out.str("");
    int looks = 0;
    LogFollow follow;
    follow.follow = true;
    follow.poll = std::chrono::milliseconds(1);
    follow.stop = [&] {
        ++looks;
        if (looks == 2)
            WriteFile(folder.File("norvel-uploader-2026-12-08_00.log"),
                      "first\n" + gbkLine + "partial line\n" + gbkLine);
        if (looks == 3)
            WriteFile(folder.File("norvel-uploader-2026-12-08_01.log"), "next file\n");
        return looks > 4;
    };
    EXPECT_EQ(RunLogCommand(folder.Path(), follow, out, err), kExitOk);
    EXPECT_EQ(out.str(), "first\n上传完成 a.txt\npartial line\n上传完成 a.txt\nnext file\n");

    TempDir empty;
    EXPECT_EQ(RunLogCommand(empty.Path(), {}, out, err), kExitFailed);
    EXPECT_NE(err.str().find("no log of the uploader in " + empty.Path()), std::string::npos);

    // The folder follows the stored install path, as the logger's does.
    settings::WriteString(settings::kNorvelKey, settings::kInstallPath, u"/opt/x/");
    EXPECT_EQ(UploaderLogFolder("/usr/lib/y/Flinga"), "/opt/x/Log");
    settings::WriteString(settings::kNorvelKey, settings::kInstallPath, u"relative");
    EXPECT_EQ(UploaderLogFolder("/usr/lib/y/Flinga"), "/usr/lib/y/Flinga/Log");
    settings::DeleteValue(settings::kNorvelKey, settings::kInstallPath);
}

TEST(StatusCommand, NamesTheStatesUnlessAskedForNumbers) {
    TempDir dir;
    control::ControlServerOptions options;
    options.socketPath = dir.File("control");
    options.lockPath = dir.File("control.lock");
    options.status = [] {
        control::ControlStatus status;
        status.tasks = {{10001, 3, u"/d/a"}, {10002, 15, u"/d/b"}, {10003, 99, u"/d/c"}};
        return status;
    };
    control::CControlServer server;
    ASSERT_TRUE(server.Start(options));
    control::ControlRequest request;
    request.kind = control::ControlRequest::Kind::Status;
    std::ostringstream named;
    std::ostringstream raw;
    std::ostringstream err;
    ASSERT_EQ(RunControlCommand(request, options.socketPath, 5000, named, err), kExitOk);
    ASSERT_EQ(RunControlCommand(request, options.socketPath, 5000, raw, err, true), kExitOk);
    EXPECT_NE(
        named.str().find("task=10001 complete /d/a\ntask=10002 paused /d/b\ntask=10003 99 /d/c\n"),
        std::string::npos)
        << named.str();
    EXPECT_NE(raw.str().find("task=10001 3 /d/a\ntask=10002 15 /d/b\n"), std::string::npos);
    for (int32_t state : {1, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14})
        EXPECT_NE(TaskStateName(state), std::to_string(state));

    // quit and logout find nobody to end once the server is gone.
    server.Stop();
    EXPECT_EQ(RunQuit(options.socketPath, 1000, err), kExitOk);
    EXPECT_NE(err.str().find("the uploader is not running"), std::string::npos);
}

TEST(LoginCommand, AServiceThatCannotBeReachedIsNamedWithItsAddressAndCause) {
    uint16_t port = 0;
    {
        platform::TcpListener listener;
        ASSERT_TRUE(listener.Listen());
        port = listener.Port();
    }  // closed: nothing listens there now
    settings::ServiceHost host;
    ASSERT_TRUE(settings::ParseServiceHost(
        platform::Utf8ToWide("127.0.0.1:" + std::to_string(port)), host));
    EXPECT_EQ(probe::WhyUnreachable(host, 2000), "connection refused");
    platform::TcpListener listening;
    ASSERT_TRUE(listening.Listen());
    host.port = listening.Port();
    EXPECT_EQ(probe::WhyUnreachable(host, 2000), "");

    // A step that got no reply at all is explained; a refusal of the service is not.
    const auto noReply = [](auto...) { return actions::CommandLineLoginResult{}; };
    std::ostringstream err;
    const auto explain = [] { return std::string("127.0.0.1:9: connection refused"); };
    EXPECT_EQ(RunLogin(noReply, {}, "alice", "pw", err, explain), kExitServiceFailed);
    EXPECT_EQ(
        err.str(),
        "norvel-flinga-send: the service could not be reached: 127.0.0.1:9: connection refused\n");
    const auto refused = [](auto...) {
        actions::CommandLineLoginResult result;
        result.outcome = actions::CommandLineLoginOutcome::WrongPassword;
        result.errorCode = 0;
        return result;
    };
    err.str("");
    EXPECT_EQ(RunLogin(refused, {}, "alice", "pw", err, explain), kExitLoginRefused);
    EXPECT_EQ(err.str().find("could not be reached"), std::string::npos);
}
