// A thread started ahead of the one task it is given, so that the task does
// not wait for the thread to start: under Wine a new thread takes from half
// a millisecond to several before it runs.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class SideThread {
public:
    // Throws std::system_error when no thread can be had.
    SideThread();
    // Waits for the task, if one was given, and ends the thread.
    ~SideThread();
    SideThread(const SideThread&) = delete;
    SideThread& operator=(const SideThread&) = delete;

    // Runs `task` on the thread; one task per thread. It must not throw.
    void Start(std::function<void()> task);
    // Returns once the task given to Start has ended.
    void Wait();

private:
    void Serve();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> task_;
    bool given_ = false;
    bool done_ = false;
    bool closing_ = false;
    // Last, so that it starts once the members it reads are made.
    std::thread thread_;
};
