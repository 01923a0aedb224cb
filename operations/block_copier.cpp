#include "operations/block_copier.h"

namespace {

// Large enough that the file system, not the hand-over, sets the pace.
constexpr DWORD kBlockBytes = 1 << 20;
// Flushing every few megabytes keeps the disk writing while the hash runs, so
// that the flush the rename needs finds little left to do.
constexpr unsigned long long kFlushEvery = 16ull * 1024 * 1024;

}  // namespace

BlockCopier::BlockCopier(HANDLE source, HANDLE dest, unsigned long long limit)
    : source_(source), dest_(dest), limit_(limit), buffer_(kSlots * kBlockBytes) {
    for (size_t i = 0; i < kSlots; ++i) slots_[i].data = buffer_.data() + i * kBlockBytes;
    copier_ = std::thread([this] { Copy(); });
    flusher_ = std::thread([this] { Flush(); });
}

BlockCopier::~BlockCopier() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    copier_.join();
    flusher_.join();
}

CopyState BlockCopier::Next(CopiedBlock& block) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (consumed_ > 0) {
        slots_[(consumed_ - 1) % kSlots].hashing = false;
        changed_.notify_all();
    }
    changed_.wait(lock, [this] { return produced_ > consumed_ || stopped_ != CopyState::Block; });
    if (produced_ > consumed_) {
        const Slot& slot = slots_[consumed_ % kSlots];
        ++consumed_;
        block = {slot.data, slot.size};
        return CopyState::Block;
    }
    block = {};
    return stopped_;
}

void BlockCopier::Copy() {
    unsigned long long total = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (size_t index = 0;; ++index) {
        Slot& slot = slots_[index % kSlots];
        changed_.wait(lock, [this, &slot] { return stop_ || Free(slot); });
        if (stop_) return;
        lock.unlock();
        DWORD read = 0;
        const bool readOk = ReadFile(source_, slot.data, kBlockBytes, &read, nullptr);
        lock.lock();
        CopyState failure = CopyState::Block;
        if (!readOk) failure = CopyState::ReadFailed;
        // The file can grow while it is copied: count what arrives.
        else if (read > limit_ - total) failure = CopyState::TooLarge;
        if (failure != CopyState::Block || read == 0) {
            // Every block before this one was written on this thread.
            stopped_ = failure == CopyState::Block ? CopyState::Finished : failure;
            changed_.notify_all();
            return;
        }
        total += read;
        slot.size = read;
        slot.hashing = true;
        slot.writing = true;
        ++produced_;
        changed_.notify_all();
        lock.unlock();
        DWORD written = 0;
        const bool writeOk = WriteFile(dest_, slot.data, read, &written, nullptr) && written == read;
        lock.lock();
        slot.writing = false;
        if (!writeOk) {
            stopped_ = CopyState::WriteFailed;
            changed_.notify_all();
            return;
        }
        unflushed_ += written;
        if (unflushed_ >= kFlushEvery) {
            unflushed_ = 0;
            flushWanted_ = true;
            changed_.notify_all();
        }
    }
}

void BlockCopier::Flush() {
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
