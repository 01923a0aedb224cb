// Copies a file from the key on a thread of its own, reading ahead and
// writing each block, while the caller hashes the same blocks: the caller's
// thread then does nothing but hash. A third thread pushes what was written
// to the disk as the copy goes, so that the flush before the rename finds
// little left to do.
#pragma once

#include <windows.h>

#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

struct CopiedBlock {
    const char* data = nullptr;
    DWORD size = 0;
};

enum class CopyState { Block, Finished, ReadFailed, WriteFailed, TooLarge };

class BlockCopier {
public:
    // Copies `source` from its current position to its end into `dest`,
    // refusing to read more than `limit` bytes: a file that grows on the key
    // never fills the destination's disk beyond it.
    BlockCopier(HANDLE source, HANDLE dest, unsigned long long limit);
    // Stops the copy wherever it is and waits for its threads.
    ~BlockCopier();
    BlockCopier(const BlockCopier&) = delete;
    BlockCopier& operator=(const BlockCopier&) = delete;

    // The next block in file order, valid until the next call (Block); or
    // Finished once every block was handed out and written; or why the copy
    // stopped. A block read before a failure is still handed out first.
    CopyState Next(CopiedBlock& block);

private:
    static constexpr size_t kSlots = 4;
    struct Slot {
        char* data = nullptr;
        DWORD size = 0;
        bool hashing = false;  // handed out, or about to be, and not yet given back
        bool writing = false;
    };

    void Copy();
    void Flush();
    // Whether `slot` was handed back and written; the copy then reads into it again.
    static bool Free(const Slot& slot) { return !slot.hashing && !slot.writing; }

    HANDLE source_;
    HANDLE dest_;
    unsigned long long limit_;
    std::vector<char> buffer_;
    std::array<Slot, kSlots> slots_{};
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t produced_ = 0;  // blocks read so far
    size_t consumed_ = 0;  // blocks handed out so far
    CopyState stopped_ = CopyState::Block;  // why the copy ended, once it has
    bool stop_ = false;
    // Bytes written since the flusher last started; what it is asked to do.
    unsigned long long unflushed_ = 0;
    bool flushWanted_ = false;
    // Last: they start once the rest is ready.
    std::thread copier_;
    std::thread flusher_;
};
