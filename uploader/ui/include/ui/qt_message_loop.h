#pragma once

// The Qt backend of the window-message layer (platform/window.h): the windows of the
// user interface are registered on the loop of the user-interface thread, whose posted
// tasks arrive as custom events of Qt's event loop. Messages sent from other threads are
// run there by the layer while the sender waits.

#include <QObject>

#include "platform/message_loop.h"

namespace ui {

class CQtMessageLoop final : public QObject, public platform::MessageLoop {
public:
    // Belongs to the calling thread, which must run a Qt event loop.
    CQtMessageLoop();
    // Destroys the loop's windows; tasks still queued are dropped with their events.
    ~CQtMessageLoop() override;
    CQtMessageLoop(const CQtMessageLoop&) = delete;
    CQtMessageLoop& operator=(const CQtMessageLoop&) = delete;

    void Post(std::function<void()> task) override;
    [[nodiscard]] bool IsLoopThread() const override;

protected:
    void customEvent(QEvent* event) override;
};

// The loop of the user-interface thread, made on first use (on that thread).
CQtMessageLoop& QtLoop();
// Destroys it, if it exists (user-interface thread, when the interface is taken down).
void ReleaseQtLoop();

}  // namespace ui
