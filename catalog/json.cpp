#include "catalog/json.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <stdexcept>

#include "catalog/json_grammar.h"

namespace {

using json_grammar::StringSpan;

// Objects this small are sorted in place; larger ones with std::stable_sort.
constexpr size_t kInsertionSortLimit = 16;
constexpr size_t kPendingKeptCapacity = 1024;

bool KeyLess(const JsonMembers::value_type& a, const JsonMembers::value_type& b) { return a.first < b.first; }

// Builds the whole tree. Every value goes where the innermost open container
// takes it: the end of an array, or the member whose key was read last.
template <typename Unit>
class TreeBuilder {
public:
    TreeBuilder() {
        open_.reserve(kMaxJsonDepth);
        pending_.resize(kMaxJsonDepth);
    }

    JsonValue root;

    void Null() { Next().kind = JsonKind::Null; }
    void Bool(bool value) {
        JsonValue& next = Next();
        next.kind = JsonKind::Bool;
        next.boolValue = value;
    }
    void Number(const Unit* first, const Unit* last) {
        JsonValue& next = Next();
        next.kind = JsonKind::Number;
        next.number = json_grammar::ConvertNumberText(first, last, number_);
    }
    void String(const StringSpan<Unit>& span) {
        JsonValue& next = Next();
        next.kind = JsonKind::String;
        json_grammar::AssignString(span, next.text);
    }
    void BeginArray(const Unit*) { Open(JsonKind::Array); }
    void EndArray() { open_.pop_back(); }
    void BeginObject(const Unit*) {
        Open(JsonKind::Object);
        Pending().clear();
    }
    void Key(const StringSpan<Unit>& span) { json_grammar::AssignString(span, Pending().emplace_back().first); }
    void EndObject() {
        std::vector<JsonMembers::value_type>& members = Pending();
        // Repeated keys are all read; the first one is kept here.
        open_.back()->members.Assign(std::move(members));
        members.clear();
        // One huge object must not keep its room for the rest of the parse.
        if (members.capacity() > kPendingKeptCapacity) std::vector<JsonMembers::value_type>().swap(members);
        open_.pop_back();
    }

private:
    JsonValue& Next() {
        if (open_.empty()) return root;
        JsonValue& container = *open_.back();
        if (container.kind == JsonKind::Array) return container.items.emplace_back();
        // The member stays where it is while its value is read: values
        // nested deeper gather in the lists of their own depths.
        return Pending().back().second;
    }
    void Open(JsonKind kind) {
        JsonValue& container = Next();
        container.kind = kind;
        open_.push_back(&container);
    }
    // The members of the innermost open object, one list per depth, reused
    // from object to object: each object then takes one exact block.
    std::vector<JsonMembers::value_type>& Pending() { return pending_[open_.size() - 1]; }

    std::vector<JsonValue*> open_;
    std::vector<std::vector<JsonMembers::value_type>> pending_;
    std::wstring number_;
};

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

JsonValue ParseJson(const std::wstring& text) {
    TreeBuilder<wchar_t> tree;
    json_grammar::ParseText(text.c_str(), text.c_str() + text.size(), tree);
    return std::move(tree.root);
}

JsonValue ParseJson(std::string_view utf8) {
    TreeBuilder<char> tree;
    json_grammar::ParseUtf8Text(utf8, tree);
    return std::move(tree.root);
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
