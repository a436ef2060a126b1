#pragma once

// A window-message loop on the Qt event loop of the thread that creates it: posted tasks
// become events of this object, so the launcher's window runs its handler on the
// user-interface thread. (A small backend for the launcher's one window; the library's
// user interface brings its own.)

#include <QObject>
#include <functional>

#include "platform/message_loop.h"

namespace launcher {

class CQtMessageLoop final : public QObject, public platform::MessageLoop {
public:
    explicit CQtMessageLoop(QObject* parent = nullptr);
    // Detaches the loop: its windows are destroyed and messages still waiting are dropped.
    ~CQtMessageLoop() override;
    CQtMessageLoop(const CQtMessageLoop&) = delete;
    CQtMessageLoop& operator=(const CQtMessageLoop&) = delete;

    void Post(std::function<void()> task) override;
    [[nodiscard]] bool IsLoopThread() const override;

protected:
    bool event(QEvent* event) override;
};

}  // namespace launcher
