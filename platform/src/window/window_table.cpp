#include "window_table.h"

#include <utility>
#include <vector>

namespace platform {
namespace window_detail {

namespace {

Table*& TableSlot() {
    static Table* table = new Table;  // freed only by ReleaseWindowTable, see the header
    return table;
}

}  // namespace

Table& TheTable() {
    return *TableSlot();
}

std::shared_ptr<const WindowProc> FindProc(WindowHandle window) {
    Table& table = TheTable();
    std::lock_guard lock(table.lock);
    const auto found = table.windows.find(window);
    return found == table.windows.end() ? nullptr : found->second.proc;
}

void Complete(SentCall& call, LResult result) {
    SendInbox& sender = *call.replyTo;
    std::lock_guard lock(sender.lock);
    call.result = result;
    call.done = true;
    sender.changed.notify_all();
}

void RunSentCall(SentCall& call) {
    const auto proc = FindProc(call.window);
    Complete(call, proc ? (*proc)(call.message, call.wParam, call.lParam) : 0);
}

void DrainInbox(SendInbox& inbox) {
    for (;;) {
        std::shared_ptr<SentCall> call;
        {
            std::lock_guard lock(inbox.lock);
            if (inbox.calls.empty())
                return;
            call = std::move(inbox.calls.front());
            inbox.calls.pop_front();
        }
        RunSentCall(*call);
    }
}

namespace {

using CallList = std::vector<std::shared_ptr<SentCall>>;

// Takes the calls of the inbox that the predicate selects. Table lock held.
template <typename Select>
CallList TakeCalls(SendInbox& inbox, Select select) {
    CallList taken;
    std::lock_guard lock(inbox.lock);
    for (auto it = inbox.calls.begin(); it != inbox.calls.end();) {
        if (select(**it)) {
            taken.push_back(std::move(*it));
            it = inbox.calls.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

void CompleteWithZero(const CallList& calls) {
    for (const auto& call : calls)
        Complete(*call, 0);
}

// Runs fn on the record of a live window under the table lock; false when there is none.
template <typename Fn>
bool WithRecord(WindowHandle window, Fn fn) {
    Table& table = TheTable();
    std::lock_guard lock(table.lock);
    const auto found = table.windows.find(window);
    if (found == table.windows.end())
        return false;
    fn(found->second);
    return true;
}

template <typename Match>
WindowHandle FindFirst(Match match) {
    Table& table = TheTable();
    std::lock_guard lock(table.lock);
    for (const auto& [handle, record] : table.windows) {
        if (match(record))
            return handle;
    }
    return kNoWindow;
}

}  // namespace
}  // namespace window_detail

using namespace window_detail;

void ReleaseWindowTable() {
    delete std::exchange(TableSlot(), nullptr);
}

WindowHandle RegisterWindow(MessageLoop& loop, WindowProc proc, std::u16string title) {
    Table& table = TheTable();
    std::lock_guard lock(table.lock);
    auto& inbox = table.inboxes[&loop];
    if (!inbox)
        inbox = std::make_shared<SendInbox>();
    const WindowHandle handle = ++table.lastHandle;
    table.windows.emplace(
        handle,
        WindowRecord{
            &loop, std::make_shared<const WindowProc>(std::move(proc)), std::move(title), {}});
    return handle;
}

bool DestroyWindow(WindowHandle window) {
    Table& table = TheTable();
    CallList orphans;
    {
        std::lock_guard lock(table.lock);
        const auto found = table.windows.find(window);
        if (found == table.windows.end())
            return false;
        const auto inbox = table.inboxes.find(found->second.loop);
        table.windows.erase(found);
        if (inbox != table.inboxes.end())
            orphans = TakeCalls(*inbox->second,
                                [window](const SentCall& call) { return call.window == window; });
    }
    CompleteWithZero(orphans);
    return true;
}

bool IsWindow(WindowHandle window) {
    return WithRecord(window, [](WindowRecord&) {});
}

bool SetWindowTitle(WindowHandle window, std::u16string title) {
    return WithRecord(window, [&](WindowRecord& record) { record.title = std::move(title); });
}

std::optional<std::u16string> GetWindowTitle(WindowHandle window) {
    std::optional<std::u16string> title;
    WithRecord(window, [&](WindowRecord& record) { title = record.title; });
    return title;
}

bool SetWindowProperty(WindowHandle window, std::u16string name, LParam value) {
    return WithRecord(window, [&](WindowRecord& record) {
        record.properties.insert_or_assign(std::move(name), value);
    });
}

std::optional<LParam> GetWindowProperty(WindowHandle window, std::u16string_view name) {
    std::optional<LParam> value;
    WithRecord(window, [&](WindowRecord& record) {
        if (const auto found = record.properties.find(name); found != record.properties.end())
            value = found->second;
    });
    return value;
}

WindowHandle FindWindowByTitle(std::u16string_view title) {
    return FindFirst([title](const WindowRecord& record) { return record.title == title; });
}

WindowHandle FindWindowByProperty(std::u16string_view name) {
    return FindFirst(
        [name](const WindowRecord& record) { return record.properties.contains(name); });
}

void DetachMessageLoop(MessageLoop& loop) {
    Table& table = TheTable();
    CallList orphans;
    {
        std::lock_guard lock(table.lock);
        std::erase_if(table.windows,
                      [&loop](const auto& entry) { return entry.second.loop == &loop; });
        const auto inbox = table.inboxes.find(&loop);
        if (inbox == table.inboxes.end())
            return;
        {
            std::lock_guard inboxLock(inbox->second->lock);
            inbox->second->closed = true;
        }
        orphans = TakeCalls(*inbox->second, [](const SentCall&) { return true; });
        table.inboxes.erase(inbox);
    }
    CompleteWithZero(orphans);
}

}  // namespace platform
