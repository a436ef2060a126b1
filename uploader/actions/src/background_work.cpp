#include "background_work.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/kept_object.h"

namespace actions {
namespace {

struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
};

// Never destroyed: a thread object must not be destroyed at process exit while its thread
// may still run.
struct Workers {
    std::mutex lock;
    bool open = true;
    std::list<Worker> running;
};

Workers& State() {
    static Workers* const workers = platform::KeptForGood(new Workers);
    return *workers;
}

// Joins the threads that have finished. Called with the lock held.
void ReapFinished(std::list<Worker>& running) {
    for (auto it = running.begin(); it != running.end();) {
        if (!it->done->load()) {
            ++it;
            continue;
        }
        it->thread.join();
        it = running.erase(it);
    }
}

}  // namespace

bool StartBackgroundWork(std::function<void()> work) {
    Workers& workers = State();
    std::lock_guard lock(workers.lock);
    if (!workers.open)
        return false;
    ReapFinished(workers.running);
    Worker& worker = workers.running.emplace_back();
    worker.thread = std::thread([work = std::move(work), done = worker.done] {
        work();
        done->store(true);
    });
    return true;
}

void CloseBackgroundWork() {
    Workers& workers = State();
    std::list<Worker> running;
    {
        std::lock_guard lock(workers.lock);
        workers.open = false;
        running.swap(workers.running);
    }
    for (Worker& worker : running)
        worker.thread.join();
}

void OpenBackgroundWork() {
    Workers& workers = State();
    std::lock_guard lock(workers.lock);
    workers.open = true;
}

}  // namespace actions
