#include "base/operation_cancel.h"

#include <cstring>

#include "base/error.h"
#include "base/messages.h"

std::atomic<uint32_t> operationCancelEpoch{0};

CancelToken CancelToken::OfNewOperation() { return CancelToken(operationCancelEpoch.load()); }

bool CancelToken::Requested() const { return armed_ && operationCancelEpoch.load() != epoch_; }

void CancelToken::ThrowIfRequested() const {
    if (Requested()) Fail(msg::kOperationCancelled);
}

bool IsCancellation(const std::exception& error) {
    return dynamic_cast<const AppError*>(&error) != nullptr && std::strcmp(error.what(), msg::kOperationCancelled) == 0;
}

void CancelRunningOperation() { operationCancelEpoch.fetch_add(1); }
