#include <gtest/gtest.h>

#include <windows.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <system_error>
#include <limits>
#include <string>

#include "catalog/json.h"
#include "catalog/json_number.h"
#include "catalog/utf8.h"

namespace {

uint64_t Bits(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

double Convert(const std::wstring& text) { return ConvertNumber(text.data(), text.data() + text.size()); }

// The standard, correctly rounded conversion of the same characters, up to
// the first that is not ASCII (where wcstod stops too).
double Reference(const std::wstring& text) {
    std::string ascii;
    for (wchar_t c : text) {
        if (c >= 0x80) break;
        ascii.push_back(static_cast<char>(c));
    }
    double value = 0.0;
    std::from_chars_result read = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    EXPECT_EQ(read.ec, std::errc()) << ascii.substr(0, 60);
    return value;
}

std::wstring Digits(size_t count, wchar_t digit) { return std::wstring(count, digit); }

TEST(JsonNumbers, CorrectlyRounded) {
    struct Case {
        std::wstring literal;
        uint64_t bits;
    };
    const Case cases[] = {
        {L"0", 0},
        {L"-0", 0x8000000000000000u},
        {L"-0.0e-5", 0x8000000000000000u},
        {L"0e999999999999", 0},
        {L"0.1", 0x3fb999999999999au},
        // The C runtime's wcstod gives one unit less in the last place.
        {L"68.62305535526", 0x405127e023919c1fu},
        {L"9007199254740993", 0x4340000000000000u},
        {L"1e23", 0x44b52d02c7e14af6u},
        {L"3.14159265358979323846264338327950288", 0x400921fb54442d18u},
        {L"2.4703282292062328e-324", 1},
        {L"2.4703282292062327e-324", 0},
        {L"1e-400", 0},
        {L"-1e-400", 0x8000000000000000u},
        {L"1.7976931348623159e308", 0x7ff0000000000000u},
        {L"1e999", 0x7ff0000000000000u},
        {L"-1e999", 0xfff0000000000000u},
        // Halfway between two doubles: the digits far to the right decide.
        {L"9007199254740993" + Digits(900, L'0') + L"1e-901", 0x4340000000000001u},
        {L"9007199254740993" + Digits(900, L'0') + L"e-900", 0x4340000000000000u},
        {Digits(400, L'1') + L"e-420", 0x3b94fd00eebae575u},
        // Without a digit there is nothing to convert: 0, whatever follows the dash.
        {L"-", 0},
        {L"-.", 0},
        {L"-e5", 0},
        {L"-.e-3", 0},
        {L"-\x0661", 0},
        {L"\x0661", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(Bits(Convert(c.literal)), c.bits) << WideToUtf8(c.literal.substr(0, 60));
}

TEST(JsonNumbers, SameValueAsTheStandardConversion) {
    const std::wstring literals[] = {
        L"1",
        L"-1",
        L"01",
        L"1.",
        L"1e",
        L"1e+",
        L"-.5",
        L"2.e1",
        L"1.5e3",
        L"1E+2",
        L"1e-2",
        L"0.3",
        L"123456789012345678",
        L"12345678901234567890",
        L"18446744073709551616",
        L"1e22",
        L"1e-22",
        L"1e-23",
        L"4.9406564584124654e-324",
        L"1.7976931348623157e308",
        L"0.000000000000000000000000000001",
        L"100000000000000000000000000000",
        L"1e00000000000000000000000002",
        L"1e-00000000000000000000000002",
        L"0." + Digits(1000, L'0') + L"123e1000",
        L"1" + Digits(1200, L'0') + L"e-1200",
        L"-" + Digits(300, L'9') + L"." + Digits(800, L'9'),
        L"0." + Digits(2000, L'7'),
        // Digits other than ASCII end what is converted.
        L"1\x0662",
        L"1.5\x0663"
        L"e3",
        L"12\xFF13",
    };
    for (const std::wstring& text : literals)
        EXPECT_EQ(Bits(Convert(text)), Bits(Reference(text))) << WideToUtf8(text.substr(0, 60));

    // Generated literals of every shape, exponents kept within range.
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int i = 0; i < 20000; ++i) {
        std::wstring text;
        if (next() % 4 == 0) text += L'-';
        text += static_cast<wchar_t>(L'0' + next() % 10);
        for (size_t k = next() % 25; k > 0; --k) text += static_cast<wchar_t>(L'0' + next() % 10);
        if (next() % 2 == 0) {
            text += L'.';
            for (size_t k = next() % 25; k > 0; --k) text += static_cast<wchar_t>(L'0' + next() % 10);
        }
        if (next() % 2 == 0) {
            text += next() % 2 == 0 ? L'e' : L'E';
            if (next() % 2 == 0) text += next() % 2 == 0 ? L'-' : L'+';
            text += std::to_wstring(next() % 280);
        }
        ASSERT_EQ(Bits(Convert(text)), Bits(Reference(text))) << WideToUtf8(text);
    }
}

TEST(JsonNumbers, NothingPastTheLiteralIsRead) {
    // The literal ends where a page nobody may read begins: no terminator, no
    // look beyond the last digit.
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const size_t page = system.dwPageSize;
    char* block = static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(block, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(block + page, page, PAGE_NOACCESS, &old));
    for (const wchar_t* text : {L"-12.5e3", L"7", L"0.1", L"1e400", L"-"}) {
        const size_t length = std::wcslen(text);
        wchar_t* start = reinterpret_cast<wchar_t*>(block + page) - length;
        std::wmemcpy(start, text, length);
        EXPECT_EQ(Bits(ConvertNumber(start, start + length)), Bits(Convert(text))) << WideToUtf8(text);
    }
    VirtualFree(block, 0, MEM_RELEASE);
}

TEST(JsonNumbers, LongLiteralsInADocument) {
    // Four million digits: the conversion once took time in the square of the
    // length (hours for this), and every number read the rest of the document.
    const size_t length = 4000000;
    struct Case {
        std::wstring literal;
        double value;
    };
    const Case cases[] = {
        {L"1" + Digits(length, L'0'), std::numeric_limits<double>::infinity()},
        {L"-0." + Digits(length, L'3'), -1.0 / 3.0},
        {L"0." + Digits(length, L'0') + L"1", 0.0},
        {L"0." + Digits(length, L'0') + L"25e" + std::to_wstring(length), 0.25},
        {L"1" + Digits(length, L'0') + L"e-" + std::to_wstring(length), 1.0},
    };
    for (const Case& c : cases) {
        JsonValue document = ParseJson(L"[" + c.literal + L",\"fin\"]");
        ASSERT_EQ(document.items.size(), 2u);
        EXPECT_EQ(document.items[0].kind, JsonKind::Number);
        EXPECT_EQ(document.items[0].number, c.value) << WideToUtf8(c.literal.substr(0, 20));
        EXPECT_EQ(document.items[1].text, L"fin");
    }
}

TEST(JsonNumbers, ManyNumbersInADocument) {
    // Each number was converted with a read of the whole rest of the text:
    // 300,000 of them took the better part of a minute.
    const int count = 300000;
    std::wstring text = L"[";
    for (int i = 0; i < count; ++i) text += (i > 0 ? L"," : L"") + std::to_wstring(i) + L".5e-1";
    text += L"]";
    JsonValue document = ParseJson(text);
    ASSERT_EQ(document.items.size(), static_cast<size_t>(count));
    EXPECT_EQ(document.items[0].number, 0.05);
    EXPECT_EQ(document.items[count - 1].number, (count - 1 + 0.5) / 10);
}

}  // namespace
