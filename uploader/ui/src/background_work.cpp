#include "ui/background_work.h"

#include <utility>

namespace ui {

CBackgroundWork::~CBackgroundWork() {
    JoinAll();
}

void CBackgroundWork::Run(std::function<void()> work) {
    std::lock_guard lock(m_Lock);
    if (m_Closed)
        return;
    JoinFinished();
    auto job = std::make_shared<Job>();
    m_Jobs.push_back(job);
    job->thread = std::thread([this, job, work = std::move(work)] {
        work();
        std::lock_guard done(m_Lock);
        job->finished = true;
    });
}

void CBackgroundWork::JoinFinished() {
    for (auto it = m_Jobs.begin(); it != m_Jobs.end();) {
        if ((*it)->finished) {
            (*it)->thread.join();
            it = m_Jobs.erase(it);
        } else {
            ++it;
        }
    }
}

void CBackgroundWork::JoinAll() {
    std::list<std::shared_ptr<Job>> jobs;
    {
        std::lock_guard lock(m_Lock);
        m_Closed = true;
        jobs.swap(m_Jobs);
    }
    for (const auto& job : jobs)
        job->thread.join();
}

size_t CBackgroundWork::Running() {
    std::lock_guard lock(m_Lock);
    JoinFinished();
    return m_Jobs.size();
}

}  // namespace ui
