#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "base/messages.h"
#include "catalog/utf8.h"
#include "tests/support/test_support.h"

namespace {

TEST(Utf8ToWide, ConvertsWellFormedText) {
    struct Case {
        std::string bytes;
        std::wstring text;
    };
    const Case cases[] = {
        {"", L""},
        {"abc", L"abc"},
        {"\xC3\xA9t\xC3\xA9", L"\u00E9t\u00E9"},
        {"\xE2\x80\x99", L"\u2019"},
        // A character beyond the BMP becomes a surrogate pair.
        {"\xF0\x9F\x98\x80", L"\xD83D\xDE00"},
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
        // Only one leading byte-order mark is dropped; one elsewhere is text.
        {"\xEF\xBB\xBF{}", L"{}"},
        {"\xEF\xBB\xBF", L""},
        {"\xEF\xBB\xBF\xEF\xBB\xBFx", L"\xFEFFx"},
        {"x\xEF\xBB\xBF", L"x\xFEFF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.bytes), c.text) << "bytes of length " << c.bytes.size() << ": " << c.bytes;
    }
}

TEST(Utf8ToWide, RefusesMalformedSequences) {
    const std::string cases[] = {
        "\xC3\x28",          // second byte is not a continuation
        "\xC3",              // truncated at the end
        "abc\xE2\x82",       // truncated three-byte sequence
        "\xC0\xAF",          // overlong "/"
        "\xED\xA0\x80",      // an encoded surrogate
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
        "\xFF",
        "\x80",
    };
    for (const std::string& bytes : cases) {
        EXPECT_EQ(ErrorOf([&] { Utf8ToWide(bytes); }), msg::kUtf8Invalid) << bytes.size() << " bytes";
    }
}

TEST(Utf8ToWide, RoundTripsWithWideToUtf8) {
    const std::wstring text = L"Entr\u00E9e incompl\u00E8te \u2019 \xD83D\xDE00";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(WideToUtf8(L"\u00E9"), "\xC3\xA9");
}

}  // namespace

namespace {

// What Windows itself makes of the bytes: the text, or nothing when refused.
std::optional<std::wstring> SystemDecoding(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                    nullptr, 0);
    if (units <= 0) return std::nullopt;
    std::wstring text(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        units);
    if (text.front() == 0xFEFF) text.erase(0, 1);
    return text;
}

void ExpectSystemDecoding(const std::string& bytes) {
    std::optional<std::wstring> expected = SystemDecoding(bytes);
    std::wstring text;
    std::string error = ErrorOf([&] { text = Utf8ToWide(bytes); });
    if (!expected) {
        EXPECT_EQ(error, msg::kUtf8Invalid) << testing::PrintToString(bytes);
    } else {
        EXPECT_EQ(error, "<no error>") << testing::PrintToString(bytes);
        EXPECT_EQ(text, *expected) << testing::PrintToString(bytes);
    }
}

TEST(Utf8ToWide, DecodesEverySequenceAsWindowsDoes) {
    // Every one- and two-byte text, every three-byte text whose last byte is
    // one of a few telling values, each also behind ASCII (the fast path) and
    // followed by ASCII.
    const unsigned char lasts[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xF4, 0xFF};
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const std::string two{static_cast<char>(a), static_cast<char>(b)};
            ExpectSystemDecoding(two);
            if (a < 0xC0) continue;
            for (unsigned char c : lasts) {
                const std::string three = two + static_cast<char>(c);
                ExpectSystemDecoding(three);
                if (a >= 0xF0 && (c == 0x41 || c == 0x80 || c == 0xBF || c == 0xC0)) {
                    for (unsigned char d : {0x41, 0x80, 0xBF, 0xC0})
                        ExpectSystemDecoding(three + static_cast<char>(d) + "ok");
                }
            }
        }
        ExpectSystemDecoding("12345678abcdefgh" + std::string(1, static_cast<char>(a)));
        ExpectSystemDecoding("1234567" + std::string(1, static_cast<char>(a)) + "\x80\x80\x80 tail");
    }
    if (HasFailure()) return;
    // Random texts, mostly ASCII with multi-byte pieces.
    uint32_t state = 99;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string bytes;
        for (size_t n = next() % 40; n > 0; --n) {
            bytes += static_cast<char>(next() % 4 == 0 ? 0x80 + next() % 128 : 0x20 + next() % 96);
        }
        ExpectSystemDecoding(bytes);
        if (HasFailure()) return;
    }
}

}  // namespace
