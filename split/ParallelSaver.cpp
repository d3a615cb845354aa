#include "split/ParallelSaver.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <utility>

#include "core/Error.h"

namespace pv::split {

void writeTask(host::SourceWorkbook& workbook, SaveTask& task) {
    const auto start = std::chrono::steady_clock::now();
    if (task.written.empty()) {
        workbook.saveSheetAs(task.sheet, task.target);
    } else {
        try {
            workbook.saveSheetAs(task.sheet, task.written);
        } catch (const Error& e) {
            throw e.renamed(task.written, task.target);
        }
    }
    task.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

ParallelSaver::ParallelSaver(host::SpreadsheetHost& host, int workers) : host_(host) {
    for (int i = 0; i < std::max(workers, 1); ++i)
        workers_.emplace_back([this] { work(); });
}

ParallelSaver::~ParallelSaver() {
    {
        std::lock_guard lock(mutex_);
        queue_.clear();
        closing_ = true;
    }
    taskReady_.notify_all();
    for (auto& worker : workers_)
        worker.join();
}

void ParallelSaver::submit(SaveTask task) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({submitted_++, std::move(task)});
    }
    taskReady_.notify_one();
}

std::vector<SaveResult> ParallelSaver::takeInOrder() {
    std::vector<SaveResult> ready;
    for (auto next = finished_.begin(); next != finished_.end() && next->first == reported_;
         next = finished_.erase(next), ++reported_) {
        if (next->second)
            ready.push_back(std::move(*next->second));
    }
    return ready;
}

std::vector<SaveResult> ParallelSaver::takeFinished() {
    std::lock_guard lock(mutex_);
    return takeInOrder();
}

std::vector<SaveResult> ParallelSaver::finishAll() {
    std::unique_lock lock(mutex_);
    taskDone_.wait(lock, [this] { return queue_.empty() && running_ == 0; });
    return takeInOrder();
}

void ParallelSaver::dropQueued() {
    std::lock_guard lock(mutex_);
    for (const auto& queued : queue_)
        finished_.emplace(queued.order, std::nullopt);
    queue_.clear();
    taskDone_.notify_all();
}

void ParallelSaver::work() {
    std::unique_ptr<host::SourceWorkbook> workbook;
    std::unique_lock lock(mutex_);
    for (;;) {
        taskReady_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (queue_.empty())
            return;  // closing
        Queued queued = std::move(queue_.front());
        queue_.pop_front();
        ++running_;
        lock.unlock();

        SaveResult result{std::move(queued.task), nullptr};
        try {
            if (!workbook || workbook->path() != result.task.source) {
                workbook.reset();
                workbook = host_.open(result.task.source);
            }
            writeTask(*workbook, result.task);
        } catch (...) {
            result.failure = std::current_exception();
        }

        lock.lock();
        --running_;
        finished_.emplace(queued.order, std::move(result));
        taskDone_.notify_all();
    }
}

}  // namespace pv::split
