#include "intake/library.h"

#include <cstdio>
#include <cstdlib>

#include "intake_state_data.h"
#include "queue_state.h"

namespace intake {
namespace {

// The one root of the process. Constant-initialized: the load hook may make the root
// before this file's dynamic initialization would run.
constinit std::atomic<CUploaderLibrary*> g_Library{nullptr};

}  // namespace

CUploaderLibrary::CUploaderLibrary(LibrarySeams seams)
    : m_Seams(std::move(seams)),
      m_Session(std::make_unique<settings::CSessionState>()),
      m_Intake(std::make_unique<IntakeState>()),
      m_Queue(std::make_unique<queue_detail::QueueState>(*this)) {
    CUploaderLibrary* expected = nullptr;
    if (!g_Library.compare_exchange_strong(expected, this)) {
        std::fputs("CUploaderLibrary: a second root was made\n", stderr);
        std::abort();
    }
}

CUploaderLibrary::~CUploaderLibrary() {
    StopQueue();  // joins the workers and the saver while everything they use exists
    m_Queue.reset();
    m_Intake.reset();
    m_Session.reset();
    g_Library = nullptr;
}

CIntakeUi& CUploaderLibrary::Ui() {
    CIntakeUi* ui = m_Ui.load();
    return ui ? *ui : NoUi();
}

void CUploaderLibrary::SetUi(CIntakeUi* ui) {
    m_Ui = ui;
}

bool CUploaderLibrary::HasUi() const {
    return m_Ui.load() != nullptr;
}

CUploaderLibrary& Library() {
    CUploaderLibrary* library = g_Library.load();
    if (!library) {
        std::fputs("CUploaderLibrary: used before it was made\n", stderr);
        std::abort();
    }
    return *library;
}

}  // namespace intake
