// The built library inside a host's QApplication: its windows install themselves on the
// first SetUpLoadTask, show as top-level widgets of the host, answer outside messages,
// and are gone when the library is unloaded.

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "intake/exports.h"
#include "intake/messages.h"
#include "platform/library.h"
#include "ui/window_message_event.h"

// As in flinga_library_test.cpp: the library keeps its logger and the settings file's store
// for the life of the process; unloaded here, their pointers go with it and the leak
// checker would report them.
extern "C" [[gnu::visibility("default"), gnu::used]] const char* __asan_default_options() {
    return "detect_leaks=0";
}

namespace {

QWidget* LibraryPanel() {
    return ui::FindSystemWindow(QString(), "norvel_uploader_exe");
}

void RunEvents() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

TEST(FlingaPanel, TheLibraryShowsItsPanelInTheHostsApplication) {
    std::string error;
    auto library = platform::SharedLibrary::Load(NORVEL_FLINGA_LIBRARY, &error);
    ASSERT_TRUE(library) << error;
    auto setUpLoadTask = reinterpret_cast<SetUpLoadTaskFn>(library->Symbol("SetUpLoadTask"));
    auto closeAllWnd = reinterpret_cast<CloseAllWndFn>(library->Symbol("CloseAllWnd"));
    ASSERT_TRUE(setUpLoadTask && closeAllWnd);

    EXPECT_EQ(LibraryPanel(), nullptr);
    setUpLoadTask(nullptr, platform::kNoWindow);
    QWidget* panel = LibraryPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("Norvel网盘Flinga"));
    EXPECT_EQ(panel->size(), QSize(264, 352));
    setUpLoadTask(nullptr, platform::kNoWindow);
    EXPECT_EQ(LibraryPanel(), panel);  // one window, however often the host starts it

    int64_t pending = -1;
    EXPECT_TRUE(ui::SendSystemMessage(panel, intake::WM_QUERY_PENDING, 0, 0, pending));
    EXPECT_EQ(pending, 0);

    closeAllWnd();
    RunEvents();
    EXPECT_EQ(LibraryPanel(), nullptr);
    library->Unload();
    RunEvents();
}

TEST(FlingaPanel, UnloadingTakesAnOpenPanelAlong) {
    auto library = platform::SharedLibrary::Load(NORVEL_FLINGA_LIBRARY);
    ASSERT_TRUE(library);
    reinterpret_cast<SetUpLoadTaskFn>(library->Symbol("SetUpLoadTask"))(nullptr,
                                                                        platform::kNoWindow);
    ASSERT_NE(LibraryPanel(), nullptr);
    library->Unload();
    RunEvents();
    EXPECT_EQ(LibraryPanel(), nullptr);
}
