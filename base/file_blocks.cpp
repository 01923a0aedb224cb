#include "base/file_blocks.h"

#include <vector>

#include "base/error.h"

namespace {

// Large enough that the file system, not the loop, sets the pace.
constexpr DWORD kFileBlockBytes = 1 << 20;

}  // namespace

void ForEachFileBlock(HANDLE file, const char* failure, const std::function<void(const char* data, DWORD size)>& use) {
    std::vector<char> block(kFileBlockBytes);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, block.data(), kFileBlockBytes, &read, nullptr)) Fail(failure);
        if (read == 0) return;
        use(block.data(), read);
    }
}
