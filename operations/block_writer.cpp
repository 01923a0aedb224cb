#include "operations/block_writer.h"

namespace {

// Flushing every few megabytes keeps the disk writing while the hash runs, so
// that the flush the rename needs finds little left to do.
constexpr unsigned long long kFlushEvery = 16ull * 1024 * 1024;

}  // namespace

BlockWriter::BlockWriter(HANDLE dest) : dest_(dest), writer_([this] { Write(); }), flusher_([this] { Flush(); }) {}

BlockWriter::~BlockWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    writer_.join();
    flusher_.join();
}

void BlockWriter::Start(const char* data, DWORD size) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        data_ = data;
        size_ = size;
        pending_ = true;
    }
    changed_.notify_all();
}

bool BlockWriter::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !pending_; });
    return written_;
}

void BlockWriter::Write() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ || stop_; });
        if (!pending_) return;
        const char* data = data_;
        const DWORD size = size_;
        lock.unlock();
        DWORD written = 0;
        const bool ok = WriteFile(dest_, data, size, &written, nullptr) && written == size;
        lock.lock();
        written_ = written_ && ok;
        pending_ = false;
        unflushed_ += written;
        if (unflushed_ >= kFlushEvery) {
            unflushed_ = 0;
            flushWanted_ = true;
        }
        changed_.notify_all();
    }
}

void BlockWriter::Flush() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return flushWanted_ || stop_; });
        if (!flushWanted_) return;
        flushWanted_ = false;
        lock.unlock();
        // Only a head start: the final flush before the rename is the one
        // whose result counts.
        FlushFileBuffers(dest_);
        lock.lock();
    }
}
