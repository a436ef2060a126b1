#include "ui/qt_message_loop.h"

#include <utility>

namespace ui {
namespace {

// Not destroyed with the static objects (the application object may be gone by then);
// freed by ReleaseQtLoop.
CQtMessageLoop*& LoopSlot() {
    static CQtMessageLoop* loop = nullptr;
    return loop;
}

}  // namespace

CQtMessageLoop& QtLoop() {
    CQtMessageLoop*& loop = LoopSlot();
    if (!loop)
        loop = new CQtMessageLoop;
    return *loop;
}

void ReleaseQtLoop() {
    delete std::exchange(LoopSlot(), nullptr);
}

}  // namespace ui
