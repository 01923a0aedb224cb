#include "catalog/utf8.h"

#include <windows.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/error.h"
#include "base/messages.h"

namespace {

// Decodes or, without `out`, only checks well-formed UTF-8 in one pass, with
// runs of ASCII taken eight bytes at a time: the catalogue is read through here.
bool DecodeUtf8(std::string_view bytes, wchar_t* out, size_t& written) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* const end = p + bytes.size();
    wchar_t scratch[2];
    size_t count = 0;
    while (p < end) {
        while (end - p >= 8) {
            uint64_t chunk = 0;
            std::memcpy(&chunk, p, sizeof(chunk));
            if ((chunk & 0x8080808080808080ULL) != 0) break;
            if (out != nullptr) {
                for (int i = 0; i < 8; ++i) out[count + i] = static_cast<wchar_t>(p[i]);
            }
            p += 8;
            count += 8;
        }
        if (p >= end) break;
        if (*p < 0x80) {
            if (out != nullptr) out[count] = static_cast<wchar_t>(*p);
            ++p;
            ++count;
            continue;
        }
        size_t units = 0;
        const size_t length = DecodeUtf8Sequence(p, end, out != nullptr ? out + count : scratch, units);
        if (length == 0) return false;
        p += length;
        count += units;
    }
    written = count;
    return true;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view bytes) {
    if (bytes.empty()) return std::wstring();
    if (bytes.size() > static_cast<size_t>(INT_MAX)) Fail(msg::kUtf8Invalid);
    // UTF-16 never needs more units than UTF-8 has bytes.
    std::wstring text(bytes.size(), L'\0');
    size_t written = 0;
    if (!DecodeUtf8(bytes, text.data(), written)) Fail(msg::kUtf8Invalid);
    text.resize(written);
    if (!text.empty() && text.front() == 0xFEFF) text.erase(0, 1);
    return text;
}

bool IsWellFormedUtf8(std::string_view bytes) {
    size_t written = 0;
    return DecodeUtf8(bytes, nullptr, written);
}

std::string WideToUtf8(std::wstring_view text) {
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return std::string();
    const int inputLength = static_cast<int>(text.size());
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), inputLength, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), inputLength, out.data(), bytes, nullptr, nullptr);
    return out;
}
