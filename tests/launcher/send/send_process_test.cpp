// norvel-flinga-send as a program, against the launcher with the stand-in library.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "launcher/launcher_paths.h"
#include "platform/instance_lock.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/tcp.h"
#include "platform/text.h"
#include "send/exit_codes.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "support/launcher_process.h"
#include "support/service_process.h"

using namespace norvel::test;

namespace {

// The launcher that the client started runs on its own: end it through its lock file.
class SendProcessTest : public ::testing::Test {
protected:
    explicit SendProcessTest(LibraryKind library = LibraryKind::StandIn) : m_Install(library) {
        setenv("NORVEL_LAUNCHER", m_Install.Launcher().c_str(), 1);
        ForgetTheLogin();  // the settings file is shared by the tests of this program
    }
    ~SendProcessTest() override {
        const std::string lock = launcher::InstanceLockPath(platform::RuntimeDir());
        const std::string pid = ReadFile(lock);
        if (pid.empty() || platform::InstanceLock::TryAcquire(lock))
            return;
        (void)platform::RunProgramOutput({"kill", "-TERM", pid.substr(0, pid.find('\n'))}, 5000);
        WaitUntil([&] { return platform::InstanceLock::TryAcquire(lock).has_value(); });
    }

    // The login and the client identity (each test's service knows only its own).
    static void ForgetTheLogin() {
        for (const auto name : {settings::kUserName, settings::kUserToken, settings::kUserId})
            settings::DeleteValue(settings::kFlingaKey, name);
        for (const auto name : {settings::kClientId, settings::kClientSecret})
            settings::DeleteValue(settings::kNorvelKey, name);
        settings::ResetCaches();
    }
    // A kept login as the login command stores it (the stand-in library never checks it).
    static void SaveALogin() {
        settings::WriteString(settings::kNorvelKey, settings::kClientId, u"client");
        settings::WriteString(settings::kNorvelKey, settings::kClientSecret, u"secret");
        ASSERT_TRUE(settings::SaveLoginCompletion({true, u"alice", u"token", "1"}));
    }
    // Every service host of the settings names the service.
    static void UseService(const ServiceProcess& service) {
        for (const auto name : {settings::kApiHost, settings::kWebHost, settings::kDownloadHost,
                                settings::kLoginHost})
            settings::WriteString(settings::kNorvelKey, name,
                                  platform::Utf8ToWide(service.HostPort()));
    }

    ProgramResult Send(const std::vector<std::string>& arguments, const std::string& input = {}) {
        return RunToEnd(SendProgram(), arguments, input);
    }

    InstallTree m_Install;
    TempDir m_Files;
};

class SendWithRealLibraryTest : public SendProcessTest {
protected:
    SendWithRealLibraryTest() : SendProcessTest(LibraryKind::Real) {}
};

}  // namespace

TEST_F(SendProcessTest, UploadStartsTheLauncherAndHandsItTheFilesOfAFolder) {
    SaveALogin();
    std::filesystem::create_directories(m_Files.File("Photos/sub"));
    WriteFile(m_Files.File("Photos/a.jpg"), "a");
    WriteFile(m_Files.File("Photos/sub/b.jpg"), "b");
    const ProgramResult result = Send({"upload", m_Files.File("Photos")});
    EXPECT_EQ(result.status, send::kExitOk) << result.output;
    EXPECT_TRUE(WaitUntil([&] {
        return HasLine(m_Install.Record(),
                       "SetUpLoadTask kind=1 count=2 names=Photos/a.jpg|Photos/sub/b.jpg");
    }));
    // Started to serve a request: the mini window was not asked for.
    EXPECT_FALSE(HasLine(m_Install.Record(), "SetUpLoadTask none"));

    // The running launcher serves the next request.
    EXPECT_EQ(Send({"weibo", m_Files.File("Photos/a.jpg")}).status, send::kExitOk);
    EXPECT_TRUE(WaitUntil(
        [&] { return HasLine(m_Install.Record(), "SetUpLoadTask kind=3 count=1 names=a.jpg"); }));
}

TEST_F(SendProcessTest, BadPathsAreReportedAndNothingIsSent) {
    WriteFile(m_Files.File("ok.txt"), "");
    ProgramResult result = Send({"upload", m_Files.File("ok.txt"), m_Files.File("gone.txt")});
    EXPECT_EQ(result.status, send::kExitMissingPath);
    EXPECT_NE(result.output.find("no such file or folder: " + m_Files.File("gone.txt")),
              std::string::npos);

    std::string deep = m_Files.File("d");
    for (int i = 0; i < 3; ++i)
        deep += "/" + std::string(100, 'x');
    std::filesystem::create_directories(deep);
    WriteFile(deep + "/f.txt", "");
    result = Send({"share", m_Files.File("d")});
    EXPECT_EQ(result.status, send::kExitUncarriable);
    EXPECT_NE(result.output.find("a request cannot carry this path"), std::string::npos);

    EXPECT_EQ(Send({"upload"}).status, send::kExitUsage);
    EXPECT_FALSE(std::filesystem::exists(PluginSocketPath()));  // no launcher was started
    EXPECT_TRUE(m_Install.Record().empty());
}

// A folder holding one file a request cannot carry is not refused whole: the rest is sent,
// the left-out file named, and the exit status says that something was left out.
TEST_F(SendProcessTest, AFolderWithAFileThatCannotBeCarriedStillSendsTheRest) {
    std::string deep = m_Files.File("album");
    for (int i = 0; i < 3; ++i)
        deep += "/" + std::string(100, 'x');
    std::filesystem::create_directories(deep);
    WriteFile(deep + "/f.txt", "");
    WriteFile(m_Files.File("album/ok.jpg"), "x");
    const ProgramResult result = Send({"share", m_Files.File("album")});
    EXPECT_EQ(result.status, send::kExitUncarriable) << result.output;
    EXPECT_NE(
        result.output.find("cannot carry this path (too long, or not UTF-8): " + deep + "/f.txt"),
        std::string::npos)
        << result.output;
    EXPECT_TRUE(WaitUntil([&] {
        return HasLine(m_Install.Record(), "SetUpLoadTask kind=2 count=1 names=album/ok.jpg");
    }));
}

TEST_F(SendProcessTest, NothingToUploadIsStillToldToTheUploader) {
    WriteFile(m_Files.File("desktop.ini"), "");
    const ProgramResult result = Send({"upload", m_Files.File("desktop.ini")});
    EXPECT_EQ(result.status, send::kExitNothingToSend) << result.output;
    EXPECT_NE(result.output.find("skipped"), std::string::npos);
    // The uploader tells the user on the desktop that there was nothing to upload.
    EXPECT_TRUE(WaitUntil(
        [&] { return HasLine(m_Install.Record(), "SetUpLoadTask kind=0 count=0 names="); }));
}

TEST_F(SendProcessTest, ALauncherThatCannotStartIsReported) {
    std::filesystem::remove(m_Install.Folder() + "/" + std::string(launcher::kLibraryFile));
    WriteFile(m_Files.File("a.txt"), "");
    const ProgramResult result = Send({"upload", m_Files.File("a.txt")});
    EXPECT_EQ(result.status, send::kExitNoAnswer);
    EXPECT_NE(result.output.find("did not start"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("文件可能丢失"), std::string::npos) << result.output;
}

TEST_F(SendProcessTest, MessagesReachTheLibrarysWindowsThroughTheControlSocket) {
    ProgramResult result = Send({"message", "main", "WM_QUERY_PENDING", "0", "0"});
    EXPECT_EQ(result.status, send::kExitNoAnswer);
    EXPECT_NE(result.output.find("the uploader is not running"), std::string::npos);

    WriteFile(m_Files.File("a.txt"), "");
    SaveALogin();
    ASSERT_EQ(Send({"upload", m_Files.File("a.txt")}).status, send::kExitOk);
    // Sent means read by the launcher; the library gets it a moment later.
    ASSERT_TRUE(WaitUntil([&] { return !m_Install.Record().empty(); }));
    result = Send({"message", "main", "WM_QUERY_PENDING", "0", "0"});
    EXPECT_EQ(result.status, send::kExitOk) << result.output;
    EXPECT_EQ(result.output, "1\n");  // the stand-in answers with the batches it got

    result = Send({"message", "title:设置", "WM_CLOSE", "0", "0"});
    EXPECT_EQ(result.status, send::kExitRefused);
    EXPECT_NE(result.output.find("no window has the title \"设置\""), std::string::npos);
    EXPECT_EQ(Send({"message", "main", "1125", "0", "140737488355328"}).status, send::kExitRefused);
}

TEST_F(SendProcessTest, LoginSaysWhatIsMissing) {
    ProgramResult result = Send({"login", "demo"});
    EXPECT_EQ(result.status, send::kExitUsage);
    EXPECT_NE(result.output.find("no password given"), std::string::npos);
}

TEST_F(SendProcessTest, AServiceThatCannotBeReachedIsNamedWithItsAddressAndTheCause) {
    uint16_t port = 0;
    {
        platform::TcpListener listener;
        ASSERT_TRUE(listener.Listen());
        port = listener.Port();
    }  // nothing listens there any more
    const std::string address = "127.0.0.1:" + std::to_string(port);
    ASSERT_EQ(Send({"config", "set", "API_HOST", address}).status, send::kExitOk);
    EXPECT_EQ(Send({"config", "get", "API_HOST"}).output, address + "\n");
    const ProgramResult result = Send({"login", "alice"}, "secret\n");
    EXPECT_EQ(result.status, send::kExitServiceFailed) << result.output;
    EXPECT_NE(
        result.output.find("the service could not be reached: " + address + ": connection refused"),
        std::string::npos)
        << result.output;
    EXPECT_EQ(Send({"config", "unset", "API_HOST"}).status, send::kExitOk);
}

TEST_F(SendProcessTest, LoginAgainstTheServiceIsKeptForTheUploader) {
    ServiceProcess service;
    ASSERT_TRUE(service.AddUser("alice", "secret"));
    settings::WriteString(settings::kNorvelKey, settings::kApiHost,
                          platform::Utf8ToWide(service.HostPort()));
    ProgramResult result = Send({"login", "alice"}, "wrong\n");
    EXPECT_EQ(result.status, send::kExitLoginRefused) << result.output;
    EXPECT_FALSE(settings::HasKeptLogin());
    result = Send({"login", "alice"}, "secret\n");
    EXPECT_EQ(result.status, send::kExitOk) << result.output;
    settings::ResetCaches();
    EXPECT_TRUE(settings::HasKeptLogin());
    EXPECT_EQ(settings::GetUserName(), u"alice");
}

TEST_F(SendWithRealLibraryTest, TheRealLibraryReportsItsStatus) {
    WriteFile(m_Files.File("a.txt"), "a");
    // Handed over; nobody is logged in, so it waits for a login.
    ASSERT_EQ(Send({"upload", m_Files.File("a.txt")}).status, send::kExitWaitsForLogin);
    // The request makes the library show its main window, once the launcher has handed it on.
    ProgramResult result;
    EXPECT_TRUE(WaitUntil([&] {
        result = Send({"status"});
        return result.output.find("\nmain-window=1\n") != std::string::npos;
    })) << result.output;
    EXPECT_EQ(result.status, send::kExitOk) << result.output;
    EXPECT_EQ(result.output.rfind("engine=", 0), 0u) << result.output;
}

TEST_F(SendWithRealLibraryTest, AnUploadSentBeforeTheLoginIsMadeOnceTheLoginIsDone) {
    ServiceProcess service;
    ASSERT_TRUE(service.AddUser("alice", "secret"));
    UseService(service);
    WriteFile(m_Files.File("early.txt"), "sent before the login\n");
    ProgramResult result = Send({"upload", m_Files.File("early.txt")});
    EXPECT_EQ(result.status, send::kExitWaitsForLogin) << result.output;
    EXPECT_NE(
        result.output.find("not logged in: run norvel-flinga-send login NAME; the files will be "
                           "uploaded after the login"),
        std::string::npos)
        << result.output;
    // The launcher has handed the request on once the main window exists.
    ASSERT_TRUE(WaitUntil(
        [&] { return Send({"status"}).output.find("\nmain-window=1\n") != std::string::npos; }));

    result = Send({"login", "alice"}, "secret\n");
    ASSERT_EQ(result.status, send::kExitOk) << result.output;
    // The running uploader was told at once: the waiting request becomes a task and uploads.
    const std::string uploaded = "task=10001 complete " + m_Files.File("early.txt") + "\n";
    EXPECT_TRUE(WaitUntil(
        [&] {
            result = Send({"status"});
            return result.output.find(uploaded) != std::string::npos;
        },
        std::chrono::seconds(20)))
        << result.output;
    bool stored = false;
    for (const auto& node : service.Tree("alice"))
        stored =
            stored || (node.count("path") && node.at("path") == "/我的网盘/我收到的文件/early.txt");
    EXPECT_TRUE(stored);
}

TEST_F(SendWithRealLibraryTest, QuitSavesAndEndsTheUploaderAndLogoutForgetsTheLogin) {
    EXPECT_EQ(Send({"quit"}).status, send::kExitOk);  // nothing runs: nothing to end
    ProgramResult result = Send({"--version"});
    EXPECT_EQ(result.status, send::kExitOk);
    EXPECT_EQ(result.output.rfind("norvel-flinga-send ", 0), 0u) << result.output;

    ServiceProcess service;
    ASSERT_TRUE(service.AddUser("alice", "secret"));
    UseService(service);
    ASSERT_EQ(Send({"login", "alice"}, "secret\n").status, send::kExitOk);
    WriteFile(m_Files.File("a.txt"), "a");
    ASSERT_EQ(Send({"upload", m_Files.File("a.txt")}).status, send::kExitOk);
    result = {};
    ASSERT_TRUE(WaitUntil([&] {
        result = Send({"status", "--raw"});
        return result.output.find("\ntask=10001 ") != std::string::npos;
    })) << result.output;

    result = Send({"logout"});
    EXPECT_EQ(result.status, send::kExitOk) << result.output;
    EXPECT_NE(result.output.find("logged out alice"), std::string::npos) << result.output;
    settings::ResetCaches();
    EXPECT_FALSE(settings::HasKeptLogin());
    // The running uploader was ended with its task list saved.
    const std::string lock = launcher::InstanceLockPath(platform::RuntimeDir());
    EXPECT_TRUE(WaitUntil([&] { return platform::InstanceLock::TryAcquire(lock).has_value(); }));
    EXPECT_EQ(Send({"status"}).status, send::kExitNoAnswer);
    const auto install = settings::ReadString(settings::kNorvelKey, settings::kInstallPath);
    ASSERT_TRUE(install);
    const std::string list = ReadFile(platform::WideToUtf8(*install) + "/Flinga/uploader.dat");
    const std::string utf16Name("a\0.\0t\0x\0t\0", 10);
    EXPECT_TRUE(list.find(utf16Name) != std::string::npos ||
                list.find("a.txt") != std::string::npos)
        << "the saved task list does not name the file";
}
