#include "bench/bench_file.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/handles.h"

bool WriteBenchFile(const std::wstring& path, size_t size) {
    std::vector<unsigned char> block(1 << 24);
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    for (size_t done = 0; done < size; done += block.size()) {
        const size_t count = std::min(block.size(), size - done);
        for (size_t i = 0; i < count; ++i) block[i] = static_cast<unsigned char>(((done + i) * 2654435761u) >> 13);
        DWORD written = 0;
        if (!WriteFile(file.get(), block.data(), static_cast<DWORD>(count), &written, nullptr) || written != count)
            return false;
    }
    return true;
}
