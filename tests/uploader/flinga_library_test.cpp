#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "intake/exports.h"
#include "platform/library.h"

// The library keeps a few objects for the life of the process (the logger, the settings
// file's store), so that nothing is destroyed while a late call may still reach it. After
// the library is unloaded here their pointers are unmapped with it and the leak checker
// would report them; in the real program the library is unloaded only at exit.
extern "C" [[gnu::visibility("default"), gnu::used]] const char* __asan_default_options() {
    return "detect_leaks=0";
}

namespace {

const std::string kLibrary = NORVEL_FLINGA_LIBRARY;

// The names `nm -D --defined-only` lists for the library.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
    std::set<std::string> names;
    const std::string command = "nm -D --defined-only '" + path + "'";
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
    std::string error;
    auto library = platform::SharedLibrary::Load(kLibrary, &error);
    ASSERT_TRUE(library) << error;
    EXPECT_EQ(ThreadCount(), before + 5);

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
}
