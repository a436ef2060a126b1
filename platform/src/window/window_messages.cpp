#include <chrono>
#include <memory>
#include <utility>

#include "platform/event.h"
#include "window_table.h"

namespace platform {
namespace window_detail {
namespace {

// What a cross-thread send needs, gathered under the table lock.
struct SendRoute {
    std::shared_ptr<const WindowProc> directProc;  // set when the caller owns the window
    std::shared_ptr<SentCall> call;                // set when the call was queued
    std::shared_ptr<SendInbox> own;                // the inbox the caller serves meanwhile
    std::shared_ptr<SendInbox> target;             // the inbox the call waits in
};

// The inbox of the loop whose thread is calling, or null. Table lock held.
std::shared_ptr<SendInbox> InboxOfCallingThread(Table& table) {
    for (const auto& [loop, inbox] : table.inboxes) {
        if (loop->IsLoopThread())
            return inbox;
    }
    return nullptr;
}

// Queues the call on the target's inbox and asks its loop to run it. Both happen under
// the table lock, so the loop cannot be detached and destroyed in between.
SendRoute RouteSend(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) {
    Table& table = TheTable();
    std::lock_guard lock(table.lock);
    const auto found = table.windows.find(window);
    if (found == table.windows.end())
        return {};
    MessageLoop& loop = *found->second.loop;
    if (loop.IsLoopThread())
        return SendRoute{found->second.proc, nullptr, nullptr, nullptr};

    std::shared_ptr<SendInbox> target = table.inboxes.at(&loop);
    std::shared_ptr<SendInbox> own = InboxOfCallingThread(table);
    if (!own)
        own = std::make_shared<SendInbox>();  // a thread without windows serves nothing
    auto call =
        std::make_shared<SentCall>(SentCall{window, message, wParam, lParam, own, 0, false});
    {
        std::lock_guard inboxLock(target->lock);
        if (target->closed)
            return {};
        target->calls.push_back(call);
        target->changed.notify_all();  // wakes the target's thread if it waits in a send
    }
    loop.Post([target] { DrainInbox(*target); });
    return SendRoute{nullptr, std::move(call), std::move(own), std::move(target)};
}

using Clock = std::chrono::steady_clock;

// Wakes a thread waiting on an inbox when the cancel event is set. Taking the inbox lock
// before notifying means the waiter is either before its look at the event or asleep.
class CancelWaker final : public EventListener {
public:
    CancelWaker(SendInbox& inbox, Event* cancel) : m_Inbox(inbox), m_Cancel(cancel) {
        if (m_Cancel)
            m_Cancel->AddListener(this);
    }
    ~CancelWaker() {
        if (m_Cancel)
            m_Cancel->RemoveListener(this);
    }
    CancelWaker(const CancelWaker&) = delete;
    CancelWaker& operator=(const CancelWaker&) = delete;

    void Notify() override {
        { std::lock_guard lock(m_Inbox.lock); }
        m_Inbox.changed.notify_all();
    }

private:
    SendInbox& m_Inbox;
    Event* m_Cancel;
};

// Waits for the call to complete, serving the calls sent to the caller's own windows
// meanwhile; false when the time-out passed or the cancel event was set first.
bool AwaitCall(SentCall& call, SendInbox& own, uint32_t timeoutMs, Event* cancel) {
    CancelWaker waker(own, cancel);
    const bool forever = timeoutMs == kInfinite;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(own.lock);
    const auto ready = [&] {
        return call.done || !own.calls.empty() || (cancel && cancel->IsSet());
    };
    for (;;) {
        if (forever)
            own.changed.wait(lock, ready);
        else if (!own.changed.wait_until(lock, deadline, ready))
            return false;
        if (call.done)
            return true;
        if (own.calls.empty())
            return false;  // cancelled
        std::shared_ptr<SentCall> incoming = std::move(own.calls.front());
        own.calls.pop_front();
        lock.unlock();
        RunSentCall(*incoming);
        lock.lock();
    }
}

// Takes a call that has not started out of the target's inbox; false when it is running
// or done already.
bool Withdraw(SendInbox& target, const std::shared_ptr<SentCall>& call) {
    std::lock_guard lock(target.lock);
    for (auto it = target.calls.begin(); it != target.calls.end(); ++it) {
        if (*it == call) {
            target.calls.erase(it);
            return true;
        }
    }
    return false;
}

}  // namespace
}  // namespace window_detail

using namespace window_detail;

bool PostMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) {
    Table& table = TheTable();
    std::lock_guard lock(table.lock);
    const auto found = table.windows.find(window);
    if (found == table.windows.end())
        return false;
    found->second.loop->Post([window, message, wParam, lParam] {
        // The window may have been destroyed while the message waited.
        if (const auto proc = FindProc(window))
            (*proc)(message, wParam, lParam);
    });
    return true;
}

LResult SendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) {
    SendRoute route = RouteSend(window, message, wParam, lParam);
    if (route.directProc)
        return (*route.directProc)(message, wParam, lParam);
    if (!route.call)
        return 0;
    AwaitCall(*route.call, *route.own, kInfinite, nullptr);  // waits until it is done
    return route.call->result;
}

std::optional<LResult> SendMessageTimeout(WindowHandle window, uint32_t message, WParam wParam,
                                          LParam lParam, uint32_t timeoutMs, Event* cancel) {
    if (cancel && cancel->IsSet())
        return std::nullopt;  // given up before it was sent
    SendRoute route = RouteSend(window, message, wParam, lParam);
    if (route.directProc)
        return (*route.directProc)(message, wParam, lParam);
    if (!route.call)
        return 0;
    if (AwaitCall(*route.call, *route.own, timeoutMs, cancel))
        return route.call->result;  // done is set: no other thread writes it any more
    if (Withdraw(*route.target, route.call))
        return std::nullopt;
    // It had started: it may have finished in the meantime.
    std::lock_guard lock(route.own->lock);
    if (route.call->done)
        return route.call->result;
    return std::nullopt;
}

}  // namespace platform
