#pragma once

// The queue's part of the library's state (owned by the composition root,
// intake/library.h), shared by the queue's source files.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "intake/library.h"
#include "intake/queue.h"
#include "intake/upload_context.h"
#include "platform/event.h"
#include "task_list_saver.h"

namespace intake::queue_detail {

struct QueueState {
    explicit QueueState(CUploaderLibrary& owner) : library(owner) {}

    CUploaderLibrary& library;  // the root that owns the queue: its seams and session

    std::mutex taskLock;  // guards the map, the request queue, the paused order, states
    std::map<int32_t, std::unique_ptr<UploadContext>> tasks;
    std::deque<int32_t> uploadRequest;  // front = next to run
    std::vector<int32_t> pausedOrder;   // order in which paused tasks resume

    std::mutex progressLock;            // guards progressQueue; never held with taskLock
    std::deque<int32_t> progressQueue;  // ids whose rows the main window must refresh

    platform::Event scheduleEvent{platform::Event::ResetMode::Auto};  // wakes one worker
    platform::Event exitEvent{platform::Event::ResetMode::Manual};    // ends every worker
    std::atomic<bool> stopFlag{false};
    std::atomic<bool> uiReady{false};  // task changes reach the main window only when set

    std::atomic<int64_t> pauseAfterTaskMs{500};

    std::mutex workersLock;  // guards workers; held while starting and joining them
    std::vector<std::thread> workers;

    TaskListSaver saver;  // started and joined with the workers
};

// The queue of the library's root.
QueueState& Queue();

// With the task lock held: appends the id and wakes a worker.
void EnqueueLocked(QueueState& queue, int32_t id);

// With the task lock held: the retry of a task that no run holds (RetryTask): waiting
// again, a fresh stop event, queued in the order of the ids.
void RetryLocked(QueueState& queue, UploadContext& task);

// With the task lock held: takes the record out of the map. A record whose driver runs is
// marked removed and told to stop, and its worker frees it; any other is freed here.
void RemoveLocked(QueueState& queue,
                  std::map<int32_t, std::unique_ptr<UploadContext>>::iterator it);

// The worker thread.
void WorkerMain(QueueState& queue);

}  // namespace intake::queue_detail
