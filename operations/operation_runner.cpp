// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "operations/operation_runner.h"

void StartToolOperation(unsigned long long, HitAction) {}
std::unique_ptr<OperationResult> RunToolOperation(const ToolOperationJob&) { return std::make_unique<OperationResult>(); }
void ApplyOperationResult(OperationResult* result) { delete result; }
