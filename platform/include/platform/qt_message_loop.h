#pragma once

// The Qt backend of the window-message layer (platform/window.h): windows registered on
// this loop belong to the thread that made it, and its posted tasks arrive as custom
// events of that thread's Qt event loop. Messages sent from other threads are run there by
// the layer while the sender waits. Library norvel_platform_qt.

#include <QObject>

#include "platform/message_loop.h"

namespace platform {

class CQtMessageLoop final : public QObject, public MessageLoop {
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

}  // namespace platform
