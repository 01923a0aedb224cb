#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <limits>
#include <string>

#include "base/handles.h"
#include "base/messages.h"
#include "catalog/json.h"
#include "catalog/utf8.h"
#include "tests/support/test_support.h"

namespace {

std::string ParseError(const std::wstring& text) {
    return ErrorOf([&] { ParseJson(text); });
}

std::wstring Repeat(const std::wstring& piece, size_t count) {
    std::wstring out;
    out.reserve(piece.size() * count);
    for (size_t i = 0; i < count; ++i) out += piece;
    return out;
}

std::wstring NestedArrays(size_t depth) { return Repeat(L"[", depth) + Repeat(L"]", depth); }
std::wstring NestedObjects(size_t depth) { return Repeat(L"{\"a\":", depth) + L"1" + Repeat(L"}", depth); }

TEST(JsonSyntax, EveryErrorHasTheOneMessage) {
    const wchar_t* cases[] = {
        L"",
        L"   \r\n\t",
        L"\xFEFF",  // nothing to read
        L"{} x",
        L"{}}",
        L"[] []",
        L"nulls",
        L"1 2",  // trailing data
        L"{\"a\":1,}",
        L"[1,]",
        L"[,]",
        L"{,}",
        L"[1 2]",  // commas
        L"{",
        L"[",
        L"[1",
        L"{\"a\"",
        L"{\"a\":",
        L"{\"a\":1",
        L"\"abc",
        L"{a:1}",
        L"{'a':1}",
        L"{\"a\" 1}",
        L"{\"a\":1;\"b\":2}",
        L"{1:2}",
        L"tru",
        L"nul",
        L"fals",
        L"True",
        L"NULL",
        L"truex",
        L"[truex]",
        L"+1",
        L".5",
        L"x",
        L"'a'",
        L"}",
        L"]",
        L":",
        L"\"\\q\"",
        L"\"\\u00g9\"",
        L"\"\\u12\"",
        L"\"\\u\"",
        L"\"\\U00e9\"",
        L"\"\\",
        L"\"a\\",
        L"\"tab\there\"",
        L"\"line\nbreak\"",
        L"\"\x1F\"",
    };
    for (const wchar_t* text : cases) EXPECT_EQ(ParseError(text), msg::kJsonInvalid) << L"[" << text << L"]";
    // A raw NUL inside a string is a control character.
    EXPECT_EQ(ParseError(std::wstring(L"\"a\0b\"", 5)), msg::kJsonInvalid);
    // A raw NUL after the document is trailing data.
    EXPECT_EQ(ParseError(std::wstring(L"{}\0", 3)), msg::kJsonInvalid);
}

TEST(JsonSyntax, WhiteSpaceAroundTokens) {
    const wchar_t* cases[] = {
        L"{}\r\n\r\n", L" \t{ } ", L"\v\f[ 1 ,\n2 ]\v\f", L"{ \"a\" : 1 , \"b\" :\t[ ] }", L"\n\"s\"\n",
    };
    for (const wchar_t* text : cases) EXPECT_EQ(ParseError(text), "<no error>") << text;
}

TEST(JsonValues, ScalarsAndContainers) {
    JsonValue value = ParseJson(L"{\"t\":true,\"f\":false,\"n\":null,\"s\":\"x\",\"a\":[1,\"b\",[]],\"o\":{}}");
    ASSERT_EQ(value.kind, JsonKind::Object);
    ASSERT_EQ(value.members.size(), 6u);
    EXPECT_EQ(value.members.at(L"t").kind, JsonKind::Bool);
    EXPECT_TRUE(value.members.at(L"t").boolValue);
    EXPECT_EQ(value.members.at(L"f").kind, JsonKind::Bool);
    EXPECT_FALSE(value.members.at(L"f").boolValue);
    EXPECT_EQ(value.members.at(L"n").kind, JsonKind::Null);
    EXPECT_EQ(value.members.at(L"s").kind, JsonKind::String);
    EXPECT_EQ(value.members.at(L"s").text, L"x");
    EXPECT_EQ(value.members.at(L"o").kind, JsonKind::Object);
    EXPECT_TRUE(value.members.at(L"o").members.empty());

    const JsonValue& array = value.members.at(L"a");
    ASSERT_EQ(array.kind, JsonKind::Array);
    ASSERT_EQ(array.items.size(), 3u);
    EXPECT_EQ(array.items[0].kind, JsonKind::Number);
    EXPECT_EQ(array.items[0].number, 1.0);
    EXPECT_EQ(array.items[1].text, L"b");
    EXPECT_EQ(array.items[2].kind, JsonKind::Array);
    EXPECT_TRUE(array.items[2].items.empty());

    // Members are kept in ordinal key order, not document order.
    JsonValue ordered = ParseJson(L"{\"b\":1,\"a\":2,\"B\":3,\"\\u00e9\":4}");
    std::wstring keys;
    for (const auto& member : ordered.members) keys += member.first + L",";
    EXPECT_EQ(keys, L"B,a,b,\u00E9,");

    JsonValue top = ParseJson(L"[true,false,null]");
    ASSERT_EQ(top.items.size(), 3u);
    EXPECT_EQ(top.items[2].kind, JsonKind::Null);
}

TEST(JsonValues, DuplicateKeyKeepsTheFirstValue) {
    JsonValue value = ParseJson(L"{\"id\":\"a\",\"id\":\"b\",\"x\":{\"k\":1,\"k\":{\"k\":2,\"k\":3}},\"x\":[1]}");
    ASSERT_EQ(value.members.size(), 2u);
    EXPECT_EQ(value.members.at(L"id").text, L"a");
    const JsonValue& x = value.members.at(L"x");
    ASSERT_EQ(x.kind, JsonKind::Object);
    ASSERT_EQ(x.members.size(), 1u);
    EXPECT_EQ(x.members.at(L"k").kind, JsonKind::Number);
    EXPECT_EQ(x.members.at(L"k").number, 1.0);
    // A dropped duplicate must still be well-formed.
    EXPECT_EQ(ParseError(L"{\"a\":1,\"a\":[}"), msg::kJsonInvalid);

    // A large object: keys written backwards, each one three times, values
    // counting up; the first of each is kept, the keys come out in order.
    std::wstring text = L"{";
    const int keys = 40;
    for (int round = 0, value = 0; round < 3; ++round) {
        for (int k = keys - 1; k >= 0; --k, ++value) {
            text += (value > 0 ? L"," : L"") + std::wstring(L"\"k") + (k < 10 ? L"0" : L"") + std::to_wstring(k) +
                    L"\":" + std::to_wstring(value);
        }
    }
    JsonValue large = ParseJson(text + L"}");
    ASSERT_EQ(large.members.size(), static_cast<size_t>(keys));
    int expectedKey = 0;
    for (const auto& [key, member] : large.members) {
        std::wstring name = std::wstring(L"k") + (expectedKey < 10 ? L"0" : L"") + std::to_wstring(expectedKey);
        EXPECT_EQ(key, name);
        EXPECT_EQ(member.number, keys - 1 - expectedKey) << WideToUtf8(key);
        EXPECT_EQ(FindMember(large, name), &member);
        ++expectedKey;
    }
    EXPECT_EQ(FindMember(large, L"k40"), nullptr);
    EXPECT_EQ(FindMember(large, L"k"), nullptr);
}

TEST(JsonValues, StringEscapes) {
    struct Case {
        std::wstring json;
        std::wstring text;
    };
    const Case cases[] = {
        {L"\"\"", L""},
        {L"\"\\u00e9\"", L"\u00E9"},
        {L"\"\\u00E9\"", L"\u00E9"},
        {L"\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", L"\"\\/\b\f\n\r\t"},
        {L"\"a\\u0000b\"", std::wstring(L"a\0b", 3)},
        // Surrogates pass through one unit at a time, paired or not.
        {L"\"\\uD83D\\uDE00\"", L"\xD83D\xDE00"},
        {L"\"\\uDE00x\"", L"\xDE00x"},
        {L"\"\\u12345\"", L"\u12345"},
        // Raw text is copied unchanged, including DEL, NBSP and non-BMP pairs.
        {L"\"\x7F\xA0\u2019\xD83D\xDE00\"", L"\x7F\xA0\u2019\xD83D\xDE00"},
        {L"\"plain run\\nthen more\"", L"plain run\nthen more"},
    };
    for (const Case& c : cases) {
        JsonValue value = ParseJson(c.json);
        EXPECT_EQ(value.kind, JsonKind::String) << c.json;
        EXPECT_EQ(value.text, c.text) << c.json;
    }
}

TEST(JsonValues, LenientNumbers) {
    struct Case {
        const wchar_t* json;
        double number;
    };
    const Case cases[] = {
        {L"0", 0.0},
        {L"-", 0.0},
        {L"01", 1.0},
        {L"1.5e3", 1500.0},
        {L"1E+2", 100.0},
        {L"1.", 1.0},
        {L"1e", 1.0},
        {L"-2.5", -2.5},
        {L"1e-2", 0.01},
        {L"-0", 0.0},
        {L"12345678901234567890", 12345678901234567890.0},
        {L"-.5", -0.5},
        {L"2.e1", 20.0},
        {L"1e+", 1.0},
        {L"-e5", 0.0},
    };
    for (const Case& c : cases) {
        JsonValue value = ParseJson(c.json);
        EXPECT_EQ(value.kind, JsonKind::Number) << c.json;
        EXPECT_DOUBLE_EQ(value.number, c.number) << c.json;
    }
    EXPECT_TRUE(std::signbit(ParseJson(L"-0").number));
    EXPECT_EQ(ParseJson(L"1e999").number, std::numeric_limits<double>::infinity());
    EXPECT_EQ(ParseJson(L"-1e999").number, -std::numeric_limits<double>::infinity());

    // The grammar decides where a number ends: these are numbers followed by
    // trailing data, not hexadecimal, infinity or NaN.
    const wchar_t* notNumbers[] = {L"0x10", L"-inf", L"-Infinity", L"-nan", L"1.2.3", L"--1", L"1-", L"[-0x]"};
    for (const wchar_t* text : notNumbers) EXPECT_EQ(ParseError(text), msg::kJsonInvalid) << text;
}

TEST(JsonLookup, FindAndStringMembers) {
    JsonValue value = ParseJson(L"{\"s\":\"text\",\"n\":5,\"o\":{\"s\":\"inner\"},\"a\":[\"s\"],\"Case\":\"c\"}");
    ASSERT_NE(FindMember(value, L"n"), nullptr);
    EXPECT_EQ(FindMember(value, L"n")->number, 5.0);
    EXPECT_EQ(FindMember(value, L"missing"), nullptr);
    EXPECT_EQ(FindMember(value, L"case"), nullptr);
    EXPECT_EQ(FindMember(value.members.at(L"a"), L"s"), nullptr);
    EXPECT_EQ(FindMember(value.members.at(L"s"), L"s"), nullptr);
    EXPECT_EQ(FindMember(JsonValue(), L"s"), nullptr);

    struct Case {
        const JsonValue* from;
        const wchar_t* key;
        const wchar_t* text;
    };
    const Case cases[] = {
        {&value, L"s", L"text"},
        {&value, L"n", L""},
        {&value, L"o", L""},
        {&value, L"missing", L""},
        {&value, L"Case", L"c"},
        {&value.members.at(L"o"), L"s", L"inner"},
        {&value.members.at(L"a"), L"s", L""},
        {&value.members.at(L"s"), L"s", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(GetStringMember(*c.from, c.key), c.text) << c.key;
}

TEST(JsonFromUtf8, BomAndInvalidBytes) {
    JsonValue value = ParseJson(Utf8ToWide("\xEF\xBB\xBF{}"));
    EXPECT_EQ(value.kind, JsonKind::Object);
    EXPECT_TRUE(value.members.empty());
    EXPECT_EQ(ErrorOf([] { ParseJson(Utf8ToWide("\xC3\x28")); }), msg::kUtf8Invalid);
    EXPECT_EQ(ErrorOf([] { ParseJson(Utf8ToWide("\xEF\xBB\xBF")); }), msg::kJsonInvalid);
    EXPECT_EQ(ParseJson(Utf8ToWide("\"Entr\xC3\xA9\x65\"")).text, L"Entr\u00E9e");
}

TEST(JsonDepth, DeepNestingFailsCleanly) {
    // Depth of the innermost container of each text; the bound is inclusive.
    EXPECT_EQ(ParseError(NestedArrays(kMaxJsonDepth)), "<no error>");
    EXPECT_EQ(ParseError(NestedObjects(kMaxJsonDepth)), "<no error>");
    EXPECT_EQ(ParseError(NestedArrays(kMaxJsonDepth + 1)), msg::kJsonInvalid);
    EXPECT_EQ(ParseError(NestedObjects(kMaxJsonDepth + 1)), msg::kJsonInvalid);
    EXPECT_EQ(ParseError(Repeat(L"[", 200000)), msg::kJsonInvalid);
    EXPECT_EQ(ParseError(Repeat(L"{\"a\":", 200000)), msg::kJsonInvalid);
    EXPECT_EQ(ParseError(NestedArrays(200000)), msg::kJsonInvalid);
    // Siblings do not add depth.
    EXPECT_EQ(ParseError(L"[" + Repeat(L"[[]],", 5000) + L"[]]"), "<no error>");

    JsonValue deep = ParseJson(NestedArrays(kMaxJsonDepth));
    int levels = 1;
    for (const JsonValue* at = &deep; !at->items.empty(); at = &at->items[0]) ++levels;
    EXPECT_EQ(levels, kMaxJsonDepth);
}

struct DepthJob {
    std::wstring text;
    std::string error;
};

DWORD WINAPI ParseOnThread(void* parameter) {
    DepthJob* job = static_cast<DepthJob*>(parameter);
    job->error = ErrorOf([&] { ParseJson(job->text); });
    return 0;
}

// A worker thread gets the platform's default stack of 1 MiB; the deepest
// document allowed must fit in it.
TEST(JsonDepth, DeepestDocumentFitsAOneMebibyteStack) {
    DepthJob jobs[] = {
        {NestedArrays(kMaxJsonDepth), ""},
        {NestedObjects(kMaxJsonDepth), ""},
        {Repeat(L"[{\"a\":", kMaxJsonDepth / 2) + L"0" + Repeat(L"}]", kMaxJsonDepth / 2), ""},
        {Repeat(L"{\"a\":1,\"a\":", kMaxJsonDepth) + L"0" + Repeat(L"}", kMaxJsonDepth), ""},
    };
    for (DepthJob& job : jobs) {
        UniqueHandle thread(
            CreateThread(nullptr, 1 << 20, ParseOnThread, &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
        ASSERT_TRUE(thread);
        ASSERT_EQ(WaitForSingleObject(thread.get(), 60000), WAIT_OBJECT_0);
        DWORD exitCode = 1;
        ASSERT_TRUE(GetExitCodeThread(thread.get(), &exitCode));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_EQ(job.error, "<no error>");
    }
}

}  // namespace
