#include "ui/jobs/worker_start.h"

#include <exception>
#include <thread>
#include <utility>

bool StartWorker(std::function<void()> body) {
    try {
        std::thread(std::move(body)).detach();
        return true;
    } catch (const std::exception&) {
        // std::system_error when no thread can be made, std::bad_alloc for its state.
        return false;
    }
}
