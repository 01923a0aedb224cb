#include "catalog/json.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <stdexcept>

#include "base/error.h"
#include "base/messages.h"
#include "catalog/json_number.h"
#include "catalog/utf8.h"

namespace {

// Where the parser stands in the text: UTF-16 units, or the document's UTF-8
// bytes, whose strings are converted as they are read. The text outlives the
// parse.
template <typename Unit>
struct Cursor {
    const Unit* position;
    const Unit* end;
    // Members gathered while an object is read, one list per depth, reused
    // from object to object: each object then takes one exact block.
    std::vector<std::vector<JsonMembers::value_type>> pending;
    // A number read from UTF-8, widened for its conversion; reused.
    std::wstring number;
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

template <typename Unit>
bool AtEnd(const Cursor<Unit>& cursor) {
    return cursor.position >= cursor.end;
}

// The UTF-16 unit at the cursor, for deciding what comes next, and how many
// units of the text it takes. Outside strings, UTF-8 is decoded one character
// at a time; a character beyond the BMP gives its first surrogate, which is
// neither space nor digit, as it is in the UTF-16 text.
wchar_t Peek(const Cursor<wchar_t>& cursor, size_t& length) {
    length = 1;
    return *cursor.position;
}

wchar_t Peek(const Cursor<char>& cursor, size_t& length) {
    const auto* p = reinterpret_cast<const unsigned char*>(cursor.position);
    if (*p < 0x80) {
        length = 1;
        return static_cast<wchar_t>(*p);
    }
    wchar_t units[2];
    size_t count = 0;
    length = DecodeUtf8Sequence(p, reinterpret_cast<const unsigned char*>(cursor.end), units, count);
    if (length == 0) Fail(msg::kUtf8Invalid);
    return units[0];
}

template <typename Unit>
void SkipSpace(Cursor<Unit>& cursor) {
    size_t length = 1;
    while (cursor.position < cursor.end && IsSpace(Peek(cursor, length))) cursor.position += length;
}

// True (and consumed) when the text at the cursor begins with `word`.
template <typename Unit, size_t N>
bool ConsumeWord(Cursor<Unit>& cursor, const char (&word)[N]) {
    constexpr size_t length = N - 1;
    if (static_cast<size_t>(cursor.end - cursor.position) < length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (cursor.position[i] != static_cast<Unit>(word[i])) return false;
    }
    cursor.position += length;
    return true;
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

template <typename Unit>
wchar_t ParseUnicodeEscape(Cursor<Unit>& cursor) {
    if (cursor.end - cursor.position < 4) FailSyntax();
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        int digit = HexValue(static_cast<wchar_t>(cursor.position[i]));
        if (digit < 0) FailSyntax();
        value = value * 16 + static_cast<unsigned>(digit);
    }
    cursor.position += 4;
    return static_cast<wchar_t>(value);
}

template <typename Unit>
wchar_t ParseEscape(Cursor<Unit>& cursor) {
    if (AtEnd(cursor)) FailSyntax();
    const Unit letter = *cursor.position++;
    switch (letter) {
    case '"': return L'"';
    case '\\': return L'\\';
    case '/': return L'/';
    case 'b': return L'\b';
    case 'f': return L'\f';
    case 'n': return L'\n';
    case 'r': return L'\r';
    case 't': return L'\t';
    case 'u': return ParseUnicodeEscape(cursor);
    default: FailSyntax();
    }
}

// The cursor stands on the opening quote. Plain runs are appended whole, so a
// string without escapes costs one allocation.
void ParseString(Cursor<wchar_t>& cursor, std::wstring& out) {
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

// From UTF-8: no character or escape takes more UTF-16 units than bytes, so
// the string's bytes up to its closing quote size it at once, and the units
// are written in place.
void ParseString(Cursor<char>& cursor, std::wstring& out) {
    ++cursor.position;
    const char* close = cursor.position;
    while (close < cursor.end && *close != '"') close += *close == '\\' ? 2 : 1;
    if (close >= cursor.end) FailSyntax();
    out.resize(static_cast<size_t>(close - cursor.position));
    wchar_t* const first = out.data();
    wchar_t* written = first;
    const auto* p = reinterpret_cast<const unsigned char*>(cursor.position);
    const auto* const stop = reinterpret_cast<const unsigned char*>(close);
    while (p < stop) {
        const unsigned char c = *p;
        if (c >= 0x20 && c < 0x80 && c != '\\') {
            *written++ = static_cast<wchar_t>(c);
            ++p;
        } else if (c >= 0x80) {
            size_t units = 0;
            const size_t length = DecodeUtf8Sequence(p, stop, written, units);
            if (length == 0) Fail(msg::kUtf8Invalid);
            p += length;
            written += units;
        } else if (c == '\\') {
            cursor.position = reinterpret_cast<const char*>(p + 1);
            *written++ = ParseEscape(cursor);
            p = reinterpret_cast<const unsigned char*>(cursor.position);
        } else {
            FailSyntax();
        }
    }
    // An escape cut by the closing quote ("\u12") has read past it.
    if (p != stop) FailSyntax();
    out.resize(static_cast<size_t>(written - first));
    cursor.position = close + 1;
}

template <typename Unit>
void SkipDigits(Cursor<Unit>& cursor) {
    size_t length = 1;
    while (cursor.position < cursor.end && IsDigit(Peek(cursor, length))) cursor.position += length;
}

double ConvertSpan(Cursor<wchar_t>&, const wchar_t* start, const wchar_t* end) { return ConvertNumber(start, end); }

double ConvertSpan(Cursor<char>& cursor, const char* start, const char* end) {
    std::wstring& text = cursor.number;
    text.assign(start, end);  // digits, signs and points are ASCII
    if (std::any_of(start, end, [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        text = Utf8ToWide(std::string_view(start, static_cast<size_t>(end - start)));
    return ConvertNumber(text.data(), text.data() + text.size());
}

// Lenient on purpose: "-", "01", "1." and "1e" are numbers. The grammar, not
// the conversion, decides where the number ends ("0x10" is 0 then trailing data).
template <typename Unit>
double ParseNumber(Cursor<Unit>& cursor) {
    const Unit* start = cursor.position;
    if (*cursor.position == '-') ++cursor.position;
    SkipDigits(cursor);
    if (cursor.position < cursor.end && *cursor.position == '.') {
        ++cursor.position;
        SkipDigits(cursor);
    }
    if (cursor.position < cursor.end && (*cursor.position == 'e' || *cursor.position == 'E')) {
        ++cursor.position;
        if (cursor.position < cursor.end && (*cursor.position == '+' || *cursor.position == '-')) ++cursor.position;
        SkipDigits(cursor);
    }
    return ConvertSpan(cursor, start, cursor.position);
}

template <typename Unit>
void ParseValue(Cursor<Unit>& cursor, JsonValue& out, int depth);

template <typename Unit>
void ParseArray(Cursor<Unit>& cursor, JsonValue& out, int depth) {
    out.kind = JsonKind::Array;
    ++cursor.position;
    SkipSpace(cursor);
    if (!AtEnd(cursor) && *cursor.position == ']') {
        ++cursor.position;
        return;
    }
    for (;;) {
        ParseValue(cursor, out.items.emplace_back(), depth);
        SkipSpace(cursor);
        if (AtEnd(cursor)) FailSyntax();
        const Unit c = *cursor.position++;
        if (c == ']') return;
        if (c != ',') FailSyntax();
    }
}

template <typename Unit>
void ParseObject(Cursor<Unit>& cursor, JsonValue& out, int depth) {
    out.kind = JsonKind::Object;
    ++cursor.position;
    SkipSpace(cursor);
    if (!AtEnd(cursor) && *cursor.position == '}') {
        ++cursor.position;
        return;
    }
    // Sized for the deepest document before the parse starts, so that this
    // reference stays valid while nested objects are read.
    std::vector<JsonMembers::value_type>& members = cursor.pending[static_cast<size_t>(depth) - 1];
    members.clear();
    for (;;) {
        SkipSpace(cursor);
        if (AtEnd(cursor) || *cursor.position != '"') FailSyntax();
        JsonMembers::value_type& member = members.emplace_back();
        ParseString(cursor, member.first);
        SkipSpace(cursor);
        if (AtEnd(cursor) || *cursor.position != ':') FailSyntax();
        ++cursor.position;
        // Repeated keys are all read; the first one is kept when the object ends.
        ParseValue(cursor, member.second, depth);
        SkipSpace(cursor);
        if (AtEnd(cursor)) FailSyntax();
        const Unit c = *cursor.position++;
        if (c == '}') break;
        if (c != ',') FailSyntax();
    }
    out.members.Assign(std::move(members));
    members.clear();
    // One huge object must not keep its room for the rest of the parse.
    if (members.capacity() > kPendingKeptCapacity) std::vector<JsonMembers::value_type>().swap(members);
}

// `depth` counts the containers around the value. The bound keeps hostile
// documents from exhausting a worker's stack.
template <typename Unit>
void ParseValue(Cursor<Unit>& cursor, JsonValue& out, int depth) {
    SkipSpace(cursor);
    if (AtEnd(cursor)) FailSyntax();
    const Unit c = *cursor.position;
    size_t length = 1;
    if (c == '{' || c == '[') {
        if (depth >= kMaxJsonDepth) FailSyntax();
        if (c == '{')
            ParseObject(cursor, out, depth + 1);
        else
            ParseArray(cursor, out, depth + 1);
    } else if (c == '"') {
        out.kind = JsonKind::String;
        ParseString(cursor, out.text);
    } else if (ConsumeWord(cursor, "true")) {
        out.kind = JsonKind::Bool;
        out.boolValue = true;
    } else if (ConsumeWord(cursor, "false")) {
        out.kind = JsonKind::Bool;
        out.boolValue = false;
    } else if (ConsumeWord(cursor, "null")) {
        out.kind = JsonKind::Null;
    } else if (c == '-' || IsDigit(Peek(cursor, length))) {
        out.kind = JsonKind::Number;
        out.number = ParseNumber(cursor);
    } else {
        FailSyntax();
    }
}

template <typename Unit>
JsonValue ParseText(const Unit* first, const Unit* last) {
    Cursor<Unit> cursor{first, last, {}, {}};
    cursor.pending.resize(kMaxJsonDepth);
    JsonValue root;
    ParseValue(cursor, root, 0);
    SkipSpace(cursor);
    if (!AtEnd(cursor)) FailSyntax();
    return root;
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
    sorted_.clear();
    if (written.size() > kInsertionSortLimit) {
        // A stable sort keeps repeated keys in document order, so the first stays.
        std::stable_sort(written.begin(), written.end(), KeyLess);
        auto last = std::unique(written.begin(), written.end(),
                                [](const value_type& a, const value_type& b) { return a.first == b.first; });
        sorted_.reserve(static_cast<size_t>(last - written.begin()));
        std::move(written.begin(), last, std::back_inserter(sorted_));
        return;
    }
    // A small object (a catalogue entry) sorts its members' places, not the
    // members, and moves each member once. Insertion sort is stable too.
    std::array<unsigned char, kInsertionSortLimit> order{};
    for (size_t i = 0; i < written.size(); ++i) {
        size_t j = i;
        for (; j > 0 && written[i].first < written[order[j - 1]].first; --j) order[j] = order[j - 1];
        order[j] = static_cast<unsigned char>(i);
    }
    sorted_.reserve(written.size());
    for (size_t i = 0; i < written.size(); ++i) {
        value_type& member = written[order[i]];
        if (!sorted_.empty() && sorted_.back().first == member.first) continue;
        sorted_.push_back(std::move(member));
    }
}

JsonValue ParseJson(const std::wstring& text) { return ParseText(text.c_str(), text.c_str() + text.size()); }

JsonValue ParseJson(std::string_view utf8) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    std::string_view text = utf8;
    if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
    try {
        return ParseText(text.data(), text.data() + text.size());
    } catch (const AppError&) {
        // The parse stops at the first fault; a malformed byte anywhere, even
        // after it, is what the document is refused for.
        if (!IsWellFormedUtf8(utf8)) Fail(msg::kUtf8Invalid);
        throw;
    }
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
