// Writes the blocks of a copy on a second thread while the caller hashes the
// same blocks, and pushes what was written to the disk on a third as the copy
// goes: a copy from the key then costs its hashing, not its hashing plus its
// writing plus one long flush before the rename.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>

class BlockWriter {
public:
    explicit BlockWriter(HANDLE dest);
    ~BlockWriter();
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // Starts writing `size` bytes at `data`, which must stay until Wait has
    // returned.
    void Start(const char* data, DWORD size);
    // False when the block could not be written whole.
    bool Wait();

private:
    void Write();
    void Flush();

    HANDLE dest_;
    std::mutex mutex_;
    std::condition_variable changed_;
    const char* data_ = nullptr;
    DWORD size_ = 0;
    bool pending_ = false;
    bool written_ = true;
    bool stop_ = false;
    // Bytes written since the flusher last started; what it is asked to do.
    unsigned long long unflushed_ = 0;
    bool flushWanted_ = false;
    // Last: they start once the rest is ready.
    std::thread writer_;
    std::thread flusher_;
};

// The block being written is waited for however the hashing ends, so that
// the writer never reads a block that is gone.
class WrittenBlock {
public:
    WrittenBlock(BlockWriter& writer, const char* data, DWORD size) : writer_(writer) { writer_.Start(data, size); }
    WrittenBlock(const WrittenBlock&) = delete;
    WrittenBlock& operator=(const WrittenBlock&) = delete;
    ~WrittenBlock() {
        if (!waited_) writer_.Wait();
    }
    bool Finish() {
        waited_ = true;
        return writer_.Wait();
    }

private:
    BlockWriter& writer_;
    bool waited_ = false;
};
