#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "control/control_client.h"
#include "control/control_protocol.h"
#include "intake/exports.h"
#include "platform/library.h"
#include "platform/system.h"
#include "platform/text.h"

#if NORVEL_WITH_SERVICE
#include <chrono>

#include "actions/command_line_login.h"
#include "intake/upload_context.h"
#include "settings/registry_values.h"
#include "support/service_process.h"
#include "support/test_env.h"
#endif

#if NORVEL_HOST_HAS_QT
#include <QtGlobal>

// The library's host is a Qt program, so Qt stays loaded when the library goes, as in the
// launcher. (A host without Qt would unload Qt with the library, and with it libgomp, which
// Qt Core pulls in; the leak checker would then report libgomp's own allocation.)
[[maybe_unused]] static const char* const g_HostQtVersion = qVersion();
#endif

namespace {

const std::string kLibrary = NORVEL_FLINGA_LIBRARY;

// The names `nm -D --defined-only --extern-only` lists for the library: what it exports.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
    std::set<std::string> names;
    // Only what other objects can bind to: a sanitizer's build also places some local
    // symbols in the dynamic table (a relocation names them), which export nothing.
    const std::string command = "nm -D --defined-only --extern-only '" + path + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
    if (!pipe)
        return names;
    char line[1024];
    while (std::fgets(line, sizeof(line), pipe.get())) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name)
            names.insert(name);
    }
    return names;
}

int ThreadCount() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    }
    return -1;
}

}  // namespace

TEST(FlingaLibrary, ExportsExactlyItsThreeEntryPoints) {
    EXPECT_EQ(DefinedDynamicSymbols(kLibrary),
              (std::set<std::string>{"CloseAllWnd", "SetUpLoadTask", "SetUserInfo"}));
}

TEST(FlingaLibrary, LoadingStartsTheWorkersAndUnloadingEndsThem) {
    const int before = ThreadCount();
    const std::string controlSocket = control::ControlSocketPath(platform::RuntimeDir());
    std::string error;
    auto library = platform::SharedLibrary::Load(kLibrary, &error);
    ASSERT_TRUE(library) << error;
    // The five upload workers, the saver of the task list and the control socket's server.
    EXPECT_EQ(ThreadCount(), before + 7);
    EXPECT_TRUE(std::filesystem::exists(controlSocket));

    auto setUpLoadTask = reinterpret_cast<SetUpLoadTaskFn>(library->Symbol("SetUpLoadTask"));
    auto setUserInfo = reinterpret_cast<SetUserInfoFn>(library->Symbol("SetUserInfo"));
    auto closeAllWnd = reinterpret_cast<CloseAllWndFn>(library->Symbol("CloseAllWnd"));
    ASSERT_TRUE(setUpLoadTask && setUserInfo && closeAllWnd);
    EXPECT_EQ(library->Symbol("StartQueue"), nullptr);

    // Without a user interface the calls take effect quietly.
    setUserInfo(intake::UserInfoRecord{"1", u"", u"100", u"1000", u"0", u""});
    setUpLoadTask(nullptr, platform::kNoWindow);
    const intake::RequestBatch empty;
    setUpLoadTask(&empty, 1);
    closeAllWnd();

    library->Unload();  // joins the workers before the code goes away
    EXPECT_EQ(ThreadCount(), before);
    EXPECT_FALSE(std::filesystem::exists(controlSocket));
}

TEST(FlingaLibrary, TextConvertedOnTheHostsThreadDoesNotKeepTheLibraryLoaded) {
    const int before = ThreadCount();
    auto library = platform::SharedLibrary::Load(kLibrary);
    ASSERT_TRUE(library);
    auto setUpLoadTask = reinterpret_cast<SetUpLoadTaskFn>(library->Symbol("SetUpLoadTask"));
    auto setUserInfo = reinterpret_cast<SetUserInfoFn>(library->Symbol("SetUserInfo"));
    ASSERT_TRUE(setUpLoadTask && setUserInfo);
    // Both convert text to the ANSI code page on this thread, which outlives the library.
    setUserInfo(intake::UserInfoRecord{"1", u"级别", u"100", u"1000", u"0", u"长期"});
    intake::RequestBatch batch(1);
    ASSERT_TRUE(intake::MakeEntry(intake::kUploadRequest, u"/没有", u"文件.txt", batch.front()));
    setUpLoadTask(&batch, 1);

    library->Unload();
    EXPECT_EQ(ThreadCount(), before);
}

#if NORVEL_WITH_SERVICE
// A user who logged in with "remember" before: the library, loaded by a host, confirms the
// kept login with the service and uploads the first request's file at once.
TEST(FlingaLibrary, AKeptLoginIsRestoredAndTheFirstRequestUploads) {
    norvel::test::ServiceProcess service;
    ASSERT_TRUE(service.AddUser("alice", "pa55word"));
    settings::WriteString(settings::kNorvelKey, settings::kApiHost,
                          platform::Utf8ToWide(service.HostPort()));
    ASSERT_EQ(actions::LoginForCommandLine(u"alice", u"pa55word").outcome,
              actions::CommandLineLoginOutcome::LoggedIn);
    norvel::test::TempDir files;
    norvel::test::WriteFile(files.File("report.txt"), "the quarterly report\n");

    auto library = platform::SharedLibrary::Load(kLibrary);
    ASSERT_TRUE(library);
    auto setUpLoadTask = reinterpret_cast<SetUpLoadTaskFn>(library->Symbol("SetUpLoadTask"));
    intake::RequestBatch batch(1);
    ASSERT_TRUE(intake::MakeEntry(intake::kUploadRequest, platform::Utf8ToWide(files.Path()),
                                  u"report.txt", batch.front()));
    setUpLoadTask(&batch, 1);

    control::ControlRequest status;
    status.kind = control::ControlRequest::Kind::Status;
    const std::string socket = control::ControlSocketPath(platform::RuntimeDir());
    control::ControlReply reply;
    norvel::test::WaitUntil(
        [&] {
            reply = control::CallControl(socket, status, 5000);
            return !reply.status.tasks.empty() &&
                   reply.status.tasks[0].state == intake::kTaskComplete;
        },
        std::chrono::seconds(20));
    ASSERT_EQ(reply.status.tasks.size(), 1u);
    EXPECT_EQ(reply.status.tasks[0].state, intake::kTaskComplete);
    library->Unload();

    bool stored = false;
    for (const auto& node : service.Tree("alice"))
        stored = stored ||
                 (node.count("path") && node.at("path") == "/我的网盘/我收到的文件/report.txt");
    EXPECT_TRUE(stored);
}
#endif
