#include "ui/batch_counters.h"

#include <utility>

#include "intake/library.h"
#include "intake/messages.h"

namespace ui {
namespace {

bool CompleteWithFailures(const CBatchCounters::Snapshot& counts) {
    return counts.Open() < 1 && counts.fail > 0;
}

}  // namespace

template <typename Fn>
bool CBatchCounters::Modify(Fn change) {
    bool complete = false;
    std::function<void()> onChange;
    {
        std::lock_guard lock(m_Lock);
        change(m_Counts);
        if (m_Counts.fail <= 0)
            m_Counts.hadFailure = false;
        complete = CompleteWithFailures(m_Counts);
        onChange = m_OnChange;
    }
    if (onChange)
        onChange();
    return complete;
}

void CBatchCounters::AddTotal(int count) {
    if (count <= 0)
        return;
    Modify([count](Snapshot& c) {
        c.total += count;
        intake::Session().AddPending(count);
    });
}

bool CBatchCounters::TaskSucceeded() {
    return Modify([](Snapshot& c) {
        ++c.done;
        intake::Session().RemovePending();
    });
}

bool CBatchCounters::TaskFailed() {
    return Modify([](Snapshot& c) {
        ++c.fail;
        c.hadFailure = true;
        intake::Session().RemovePending();
    });
}

bool CBatchCounters::FailureRemoved() {
    return Modify([](Snapshot& c) {
        --c.fail;
        ++c.done;
    });
}

bool CBatchCounters::FailureRetried() {
    return Modify([](Snapshot& c) {
        --c.fail;
        intake::Session().AddPending();  // it will take one off again when it ends
    });
}

bool CBatchCounters::Apply(platform::WParam wParam, platform::LParam lParam) {
    if (wParam == intake::kCounterTaskEnded)
        return lParam == intake::kCounterSucceeded ? TaskSucceeded() : TaskFailed();
    return lParam == intake::kCounterFailureRemoved ? FailureRemoved() : FailureRetried();
}

void CBatchCounters::Reset() {
    Modify([](Snapshot& c) {
        intake::Session().RemovePending(c.Open() > 0 ? c.Open() : 0);
        c = Snapshot{};
    });
}

CBatchCounters::Snapshot CBatchCounters::Get() const {
    std::lock_guard lock(m_Lock);
    return m_Counts;
}

int CBatchCounters::SuccessTotal() const {
    std::lock_guard lock(m_Lock);
    return m_SuccessTotal;
}

void CBatchCounters::CountSuccess() {
    std::lock_guard lock(m_Lock);
    ++m_SuccessTotal;
}

void CBatchCounters::SetOnChange(std::function<void()> onChange) {
    std::lock_guard lock(m_Lock);
    m_OnChange = std::move(onChange);
}

}  // namespace ui
