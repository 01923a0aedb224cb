#include <gtest/gtest.h>

#include <string>

#include "app/messages.h"
#include "catalog/utf8.h"
#include "tests/support/test_support.h"

namespace {

TEST(Utf8ToWide, ConvertsWellFormedText) {
    struct Case { std::string bytes; std::wstring text; };
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
