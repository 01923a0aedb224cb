#include "catalog/json.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <stdexcept>

#include "base/error.h"
#include "base/messages.h"
#include "catalog/json_number.h"

namespace {

// Where the parser stands in the text. The text outlives the parse.
struct Cursor {
    const wchar_t* position;
    const wchar_t* end;
    // Members gathered while an object is read, one list per depth, reused
    // from object to object: each object then takes one exact block.
    std::vector<std::vector<JsonMembers::value_type>> pending;
};

// Objects this small are sorted in place; larger ones with std::stable_sort.
constexpr size_t kInsertionSortLimit = 16;
constexpr size_t kPendingKeptCapacity = 1024;

bool KeyLess(const JsonMembers::value_type& a, const JsonMembers::value_type& b) { return a.first < b.first; }

[[noreturn]] void FailSyntax() { Fail(msg::kJsonInvalid); }

bool IsSpace(wchar_t c) {
    switch (c) {
    case L' ':
    case L'\t':
    case L'\n':
    case L'\r': return true;
    case L'"':
    case L',':
    case L':':
    case L'{':
    case L'}':
    case L'[':
    case L']': return false;
    default: return iswspace(c) != 0;
    }
}

bool IsDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return true;
    if (c < 0x80) return false;
    return iswdigit(c) != 0;
}

void SkipSpace(Cursor& cursor) {
    while (cursor.position < cursor.end && IsSpace(*cursor.position)) ++cursor.position;
}

bool AtEnd(const Cursor& cursor) { return cursor.position >= cursor.end; }

// True (and consumed) when the text at the cursor begins with `word`.
template <size_t N>
bool ConsumeWord(Cursor& cursor, const wchar_t (&word)[N]) {
    constexpr size_t length = N - 1;
    if (static_cast<size_t>(cursor.end - cursor.position) < length) return false;
    if (std::wmemcmp(cursor.position, word, length) != 0) return false;
    cursor.position += length;
    return true;
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

wchar_t ParseUnicodeEscape(Cursor& cursor) {
    if (cursor.end - cursor.position < 4) FailSyntax();
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        int digit = HexValue(cursor.position[i]);
        if (digit < 0) FailSyntax();
        value = value * 16 + static_cast<unsigned>(digit);
    }
    cursor.position += 4;
    return static_cast<wchar_t>(value);
}

wchar_t ParseEscape(Cursor& cursor) {
    if (AtEnd(cursor)) FailSyntax();
    wchar_t letter = *cursor.position++;
    switch (letter) {
    case L'"': return L'"';
    case L'\\': return L'\\';
    case L'/': return L'/';
    case L'b': return L'\b';
    case L'f': return L'\f';
    case L'n': return L'\n';
    case L'r': return L'\r';
    case L't': return L'\t';
    case L'u': return ParseUnicodeEscape(cursor);
    default: FailSyntax();
    }
}

// The cursor stands on the opening quote. Plain runs are appended whole, so a
// string without escapes costs one allocation.
void ParseString(Cursor& cursor, std::wstring& out) {
    ++cursor.position;
    for (;;) {
        const wchar_t* runStart = cursor.position;
        while (cursor.position < cursor.end) {
            wchar_t c = *cursor.position;
            if (c == L'"' || c == L'\\' || c < 0x20) break;
            ++cursor.position;
        }
        out.append(runStart, static_cast<size_t>(cursor.position - runStart));
        if (AtEnd(cursor)) FailSyntax();
        wchar_t c = *cursor.position++;
        if (c == L'"') return;
        if (c != L'\\') FailSyntax();
        out.push_back(ParseEscape(cursor));
    }
}

void SkipDigits(Cursor& cursor) {
    while (cursor.position < cursor.end && IsDigit(*cursor.position)) ++cursor.position;
}

// Lenient on purpose: "-", "01", "1." and "1e" are numbers. The grammar, not
// the conversion, decides where the number ends ("0x10" is 0 then trailing data).
double ParseNumber(Cursor& cursor) {
    const wchar_t* start = cursor.position;
    if (*cursor.position == L'-') ++cursor.position;
    SkipDigits(cursor);
    if (cursor.position < cursor.end && *cursor.position == L'.') {
        ++cursor.position;
        SkipDigits(cursor);
    }
    if (cursor.position < cursor.end && (*cursor.position == L'e' || *cursor.position == L'E')) {
        ++cursor.position;
        if (cursor.position < cursor.end && (*cursor.position == L'+' || *cursor.position == L'-')) ++cursor.position;
        SkipDigits(cursor);
    }
    return ConvertNumber(start, cursor.position);
}

void ParseValue(Cursor& cursor, JsonValue& out, int depth);

void ParseArray(Cursor& cursor, JsonValue& out, int depth) {
    out.kind = JsonKind::Array;
    ++cursor.position;
    SkipSpace(cursor);
    if (!AtEnd(cursor) && *cursor.position == L']') {
        ++cursor.position;
        return;
    }
    for (;;) {
        ParseValue(cursor, out.items.emplace_back(), depth);
        SkipSpace(cursor);
        if (AtEnd(cursor)) FailSyntax();
        wchar_t c = *cursor.position++;
        if (c == L']') return;
        if (c != L',') FailSyntax();
    }
}

void ParseObject(Cursor& cursor, JsonValue& out, int depth) {
    out.kind = JsonKind::Object;
    ++cursor.position;
    SkipSpace(cursor);
    if (!AtEnd(cursor) && *cursor.position == L'}') {
        ++cursor.position;
        return;
    }
    // Sized for the deepest document before the parse starts, so that this
    // reference stays valid while nested objects are read.
    std::vector<JsonMembers::value_type>& members = cursor.pending[static_cast<size_t>(depth) - 1];
    members.clear();
    for (;;) {
        SkipSpace(cursor);
        if (AtEnd(cursor) || *cursor.position != L'"') FailSyntax();
        JsonMembers::value_type& member = members.emplace_back();
        ParseString(cursor, member.first);
        SkipSpace(cursor);
        if (AtEnd(cursor) || *cursor.position != L':') FailSyntax();
        ++cursor.position;
        // Repeated keys are all read; the first one is kept when the object ends.
        ParseValue(cursor, member.second, depth);
        SkipSpace(cursor);
        if (AtEnd(cursor)) FailSyntax();
        wchar_t c = *cursor.position++;
        if (c == L'}') break;
        if (c != L',') FailSyntax();
    }
    out.members.Assign(std::move(members));
    members.clear();
    // One huge object must not keep its room for the rest of the parse.
    if (members.capacity() > kPendingKeptCapacity) std::vector<JsonMembers::value_type>().swap(members);
}

// `depth` counts the containers around the value. The bound keeps hostile
// documents from exhausting a worker's stack.
void ParseValue(Cursor& cursor, JsonValue& out, int depth) {
    SkipSpace(cursor);
    if (AtEnd(cursor)) FailSyntax();
    wchar_t c = *cursor.position;
    if (c == L'{' || c == L'[') {
        if (depth >= kMaxJsonDepth) FailSyntax();
        if (c == L'{')
            ParseObject(cursor, out, depth + 1);
        else
            ParseArray(cursor, out, depth + 1);
    } else if (c == L'"') {
        out.kind = JsonKind::String;
        ParseString(cursor, out.text);
    } else if (ConsumeWord(cursor, L"true")) {
        out.kind = JsonKind::Bool;
        out.boolValue = true;
    } else if (ConsumeWord(cursor, L"false")) {
        out.kind = JsonKind::Bool;
        out.boolValue = false;
    } else if (ConsumeWord(cursor, L"null")) {
        out.kind = JsonKind::Null;
    } else if (c == L'-' || IsDigit(c)) {
        out.kind = JsonKind::Number;
        out.number = ParseNumber(cursor);
    } else {
        FailSyntax();
    }
}

}  // namespace

JsonMembers::JsonMembers() = default;
JsonMembers::~JsonMembers() = default;
JsonMembers::JsonMembers(JsonMembers&&) noexcept = default;
JsonMembers& JsonMembers::operator=(JsonMembers&&) noexcept = default;
JsonMembers::JsonMembers(const JsonMembers&) = default;
JsonMembers& JsonMembers::operator=(const JsonMembers&) = default;

JsonMembers::iterator JsonMembers::begin() { return sorted_.begin(); }
JsonMembers::iterator JsonMembers::end() { return sorted_.end(); }
JsonMembers::const_iterator JsonMembers::begin() const { return sorted_.begin(); }
JsonMembers::const_iterator JsonMembers::end() const { return sorted_.end(); }
size_t JsonMembers::size() const { return sorted_.size(); }
bool JsonMembers::empty() const { return sorted_.empty(); }

JsonMembers::const_iterator JsonMembers::find(std::wstring_view key) const {
    auto found = std::lower_bound(sorted_.begin(), sorted_.end(), key,
                                  [](const value_type& member, std::wstring_view k) { return member.first < k; });
    return found != sorted_.end() && found->first == key ? found : sorted_.end();
}

JsonMembers::iterator JsonMembers::find(std::wstring_view key) {
    return sorted_.begin() + (static_cast<const JsonMembers&>(*this).find(key) - sorted_.cbegin());
}

const JsonValue& JsonMembers::at(std::wstring_view key) const {
    auto found = find(key);
    if (found == end()) throw std::out_of_range("JSON member");
    return found->second;
}

JsonValue& JsonMembers::at(std::wstring_view key) {
    return const_cast<JsonValue&>(static_cast<const JsonMembers&>(*this).at(key));
}

void JsonMembers::Assign(std::vector<value_type>&& written) {
    // A stable sort keeps repeated keys in document order, so the first stays.
    if (written.size() <= kInsertionSortLimit) {
        for (size_t i = 1; i < written.size(); ++i) {
            for (size_t j = i; j > 0 && KeyLess(written[j], written[j - 1]); --j) std::swap(written[j], written[j - 1]);
        }
    } else {
        std::stable_sort(written.begin(), written.end(), KeyLess);
    }
    auto last = std::unique(written.begin(), written.end(),
                            [](const value_type& a, const value_type& b) { return a.first == b.first; });
    sorted_.clear();
    sorted_.reserve(static_cast<size_t>(last - written.begin()));
    std::move(written.begin(), last, std::back_inserter(sorted_));
}

JsonValue ParseJson(const std::wstring& text) {
    Cursor cursor{text.c_str(), text.c_str() + text.size(), {}};
    cursor.pending.resize(kMaxJsonDepth);
    JsonValue root;
    ParseValue(cursor, root, 0);
    SkipSpace(cursor);
    if (!AtEnd(cursor)) FailSyntax();
    return root;
}

const JsonValue* FindMember(const JsonValue& value, std::wstring_view key) {
    if (value.kind != JsonKind::Object) return nullptr;
    auto found = value.members.find(key);
    return found == value.members.end() ? nullptr : &found->second;
}

JsonValue* FindMember(JsonValue& value, std::wstring_view key) {
    return const_cast<JsonValue*>(FindMember(static_cast<const JsonValue&>(value), key));
}

std::wstring GetStringMember(const JsonValue& value, std::wstring_view key) {
    const JsonValue* member = FindMember(value, key);
    if (member == nullptr || member->kind != JsonKind::String) return std::wstring();
    return member->text;
}
