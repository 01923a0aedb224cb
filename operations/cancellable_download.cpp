#include "operations/cancellable_download.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/messages.h"
#include "operations/resuming_download.h"

// What the worker and its helper share. The helper keeps it alive after the
// worker has left, until its last read returns.
struct CancellableDownload::Exchange {
    std::mutex mutex;
    std::condition_variable changed;
    bool asked = false;      // the worker wants a block
    bool answered = false;   // the helper has answered (opened, read or failed)
    bool abandoned = false;  // the worker has left
    DWORD size = 0;
    std::vector<char> block;
    DWORD read = 0;
    bool restarted = false;
    long long expected = -1;
    std::exception_ptr error;
};

namespace {

// Often enough that a stop is seen well within a second.
constexpr std::chrono::milliseconds kCancelPollInterval{100};

using Exchange = CancellableDownload::Exchange;

void Answer(Exchange& x, const std::function<void()>& fill) {
    {
        std::lock_guard<std::mutex> lock(x.mutex);
        fill();
        x.answered = true;
    }
    x.changed.notify_all();
}

void Serve(const std::shared_ptr<Exchange>& x, const std::wstring& url) {
    std::optional<ResumingDownload> body;
    try {
        body.emplace(url);
    } catch (...) {
        Answer(*x, [&] { x->error = std::current_exception(); });
        return;
    }
    Answer(*x, [&] { x->expected = body->expected(); });
    for (;;) {
        DWORD size = 0;
        {
            std::unique_lock<std::mutex> lock(x->mutex);
            x->changed.wait(lock, [&] { return x->asked || x->abandoned; });
            if (x->abandoned) return;
            x->asked = false;
            size = x->size;
        }
        // The worker does not touch the block until the answer.
        try {
            bool restarted = false;
            const DWORD read = body->Read(x->block.data(), size, restarted);
            Answer(*x, [&] {
                x->read = read;
                x->restarted = restarted;
                x->expected = body->expected();
            });
        } catch (...) {
            Answer(*x, [&] { x->error = std::current_exception(); });
            return;
        }
    }
}

}  // namespace

CancellableDownload::CancellableDownload(std::wstring url, CancelToken cancel)
    : exchange_(std::make_shared<Exchange>()), cancel_(cancel) {
    cancel_.ThrowIfRequested();
    try {
        std::thread([x = exchange_, url = std::move(url)] { Serve(x, url); }).detach();
    } catch (const std::system_error&) {
        Fail(msg::kOperationStartFailed);
    }
    try {
        Await();
    } catch (...) {
        // No destructor runs for a constructor that fails.
        Abandon();
        throw;
    }
    expected_ = exchange_->expected;
}

CancellableDownload::~CancellableDownload() { Abandon(); }

void CancellableDownload::Abandon() {
    {
        std::lock_guard<std::mutex> lock(exchange_->mutex);
        exchange_->abandoned = true;
    }
    exchange_->changed.notify_all();
}

void CancellableDownload::Await() {
    Exchange& x = *exchange_;
    std::unique_lock<std::mutex> lock(x.mutex);
    while (!x.answered) {
        if (cancel_.Requested()) {
            // Abandon() lets the helper go.
            lock.unlock();
            cancel_.ThrowIfRequested();
        }
        x.changed.wait_for(lock, kCancelPollInterval);
    }
    x.answered = false;
    if (x.error) std::rethrow_exception(x.error);
}

DWORD CancellableDownload::Read(char* buffer, DWORD size, bool& restarted) {
    cancel_.ThrowIfRequested();
    Exchange& x = *exchange_;
    {
        std::lock_guard<std::mutex> lock(x.mutex);
        if (x.block.size() < size) x.block.resize(size);
        x.size = size;
        x.asked = true;
    }
    x.changed.notify_all();
    Await();
    restarted = x.restarted;
    expected_ = x.expected;
    if (x.read > 0) std::memcpy(buffer, x.block.data(), x.read);
    return x.read;
}
