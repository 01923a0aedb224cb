#include "base/side_thread.h"

#include <utility>

SideThread::SideThread() : thread_([this] { Serve(); }) {}

SideThread::~SideThread() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void SideThread::Start(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        task_ = std::move(task);
        given_ = true;
    }
    changed_.notify_all();
}

void SideThread::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return done_ || !given_; });
}

void SideThread::Serve() {
    std::function<void()> task;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return given_ || closing_; });
        if (!given_) return;
        task = std::move(task_);
    }
    task();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    changed_.notify_all();
}
