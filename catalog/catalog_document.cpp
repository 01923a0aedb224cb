#include "catalog/catalog_document.h"

#include <cstring>
#include <utility>

#include "base/error.h"
#include "base/messages.h"
#include "catalog/json_grammar.h"
#include "catalog/utf8.h"

namespace {

using Span = json_grammar::StringSpan<char>;

// A digest is 64 hexadecimal digits; no other string of "withdrawn" is kept.
constexpr size_t kDigestUnits = 64;
// The longest member name the reader looks for ("downloadEndpoint").
constexpr size_t kLongestName = 16;

// Whether a key, as written, names `name` once converted.
bool KeyIs(const Span& key, std::string_view name) {
    if (key.units != name.size()) return false;
    if (key.plain) return std::memcmp(key.first, name.data(), name.size()) == 0;
    wchar_t decoded[kLongestName] = {};
    json_grammar::DecodeString(key, decoded);
    for (size_t i = 0; i < name.size(); ++i) {
        if (decoded[i] != static_cast<wchar_t>(name[i])) return false;
    }
    return true;
}

// The entry's member a key names, or none. Told apart by length first:
// about one comparison per member.
CatalogMember CatalogEntry::* EntrySlot(const Span& key) {
    switch (key.units) {
    case 2: return KeyIs(key, "id") ? &CatalogEntry::id : nullptr;
    case 3: return KeyIs(key, "lot") ? &CatalogEntry::lot : nullptr;
    case 4: return KeyIs(key, "icon") ? &CatalogEntry::icon : nullptr;
    case 6:
        if (KeyIs(key, "sha256")) return &CatalogEntry::sha256;
        return KeyIs(key, "hidden") ? &CatalogEntry::hidden : nullptr;
    case 7:
        if (KeyIs(key, "version")) return &CatalogEntry::version;
        return KeyIs(key, "rollout") ? &CatalogEntry::rollout : nullptr;
    case 8: return KeyIs(key, "category") ? &CatalogEntry::category : nullptr;
    case 9: return KeyIs(key, "withdrawn") ? &CatalogEntry::withdrawn : nullptr;
    case 11: return KeyIs(key, "description") ? &CatalogEntry::description : nullptr;
    default: return nullptr;
    }
}

// The root's members the catalogue reads, in the order of `kTopNames`.
enum TopMember { kDownloadEndpoint, kIconBaseUrl, kSerial, kExpires, kApps, kTopMembers, kOtherMember = kTopMembers };
constexpr std::string_view kTopNames[kTopMembers] = {"downloadEndpoint", "iconBaseUrl", "serial", "expires", "apps"};
constexpr const wchar_t* kTopWideNames[kTopMembers] = {L"downloadEndpoint", L"iconBaseUrl", L"serial", L"expires",
                                                       L"apps"};

// What an open container is to the catalogue.
enum class Role : uint8_t { Ignored, Root, Apps, Entry, Withdrawn };

}  // namespace

// The sink of the one pass: keeps the root's few members, and of each object
// of "apps" where its members lie.
class CatalogDocumentReader {
public:
    explicit CatalogDocumentReader(CatalogDocument& document)
        : document_(document), base_(document.bytes_.data()) {
        open_.reserve(kMaxJsonDepth);
    }

    void Null() {
        if (InRoot())
            PlaceTop(JsonKind::Null);
        else
            Place(JsonKind::Null);
    }
    void Bool(bool value) {
        if (InRoot()) {
            if (JsonValue* top = PlaceTop(JsonKind::Bool)) top->boolValue = value;
        } else if (CatalogMember* member = Place(JsonKind::Bool)) {
            member->boolValue = value;
        }
    }
    void Number(const char* first, const char* last) {
        if (InRoot()) {
            if (JsonValue* top = PlaceTop(JsonKind::Number))
                top->number = json_grammar::ConvertNumberText(first, last, scratch_);
        } else if (CatalogMember* member = Place(JsonKind::Number)) {
            SetText(*member, first, last);
        }
    }
    void String(const Span& span) {
        if (InRoot()) {
            if (JsonValue* top = PlaceTop(JsonKind::String)) json_grammar::AssignString(span, top->text);
        } else if (!open_.empty() && open_.back() == Role::Withdrawn) {
            if (span.units == kDigestUnits) AddDigest(span);
        } else if (CatalogMember* member = Place(JsonKind::String)) {
            SetString(*member, span);
        }
    }
    void BeginArray() { Open(JsonKind::Array); }
    void BeginObject() { Open(JsonKind::Object); }
    void EndArray() { open_.pop_back(); }
    void EndObject() { open_.pop_back(); }
    void Key(const Span& key) {
        if (open_.back() == Role::Entry) {
            slot_ = EntrySlot(key);
            if (slot_ == nullptr) return;
            CatalogMember& member = document_.entries_.back().*slot_;
            // A repeated member is read and dropped: the first one counts.
            if (member.taken) slot_ = nullptr;
            member.taken = true;
        } else if (open_.back() == Role::Root) {
            topMember_ = kOtherMember;
            for (int i = 0; i < kTopMembers; ++i) {
                if (KeyIs(key, kTopNames[i])) {
                    if (!topTaken_[i]) topMember_ = i;
                    topTaken_[i] = true;
                    break;
                }
            }
        }
    }

    void Finish() { document_.top_.members.Assign(std::move(topMembers_)); }

private:
    // Where a value of `kind` lands below the root; returns the entry's
    // member it fills, if any.
    CatalogMember* Place(JsonKind kind) {
        if (open_.empty()) {
            document_.top_.kind = kind;
            return nullptr;
        }
        switch (open_.back()) {
        case Role::Apps: ++document_.appsElements_; return nullptr;
        case Role::Entry: {
            if (slot_ == nullptr) return nullptr;
            CatalogMember& member = document_.entries_.back().*slot_;
            member.kind = static_cast<uint8_t>(kind);
            return &member;
        }
        default: return nullptr;
        }
    }

    // A member of the root; returns it when the catalogue reads it.
    JsonValue* PlaceTop(JsonKind kind) {
        if (topMember_ == kOtherMember || topMember_ == kApps) return nullptr;
        JsonMembers::value_type& member = topMembers_.emplace_back();
        member.first = kTopWideNames[topMember_];
        member.second.kind = kind;
        return &member.second;
    }

    void Open(JsonKind kind) { open_.push_back(OpenedRole(kind)); }

    Role OpenedRole(JsonKind kind) {
        if (open_.empty()) {
            document_.top_.kind = kind;
            return kind == JsonKind::Object ? Role::Root : Role::Ignored;
        }
        switch (open_.back()) {
        case Role::Root:
            if (topMember_ == kApps) return kind == JsonKind::Array ? Role::Apps : Role::Ignored;
            PlaceTop(kind);
            return Role::Ignored;
        case Role::Apps:
            ++document_.appsElements_;
            if (kind != JsonKind::Object) return Role::Ignored;
            document_.entries_.emplace_back();
            return Role::Entry;
        case Role::Entry: {
            CatalogMember* member = Place(kind);
            if (member == nullptr || slot_ != &CatalogEntry::withdrawn || kind != JsonKind::Array) return Role::Ignored;
            member->start = static_cast<uint32_t>(document_.digests_.size());
            return Role::Withdrawn;
        }
        default: return Role::Ignored;
        }
    }

    bool InRoot() const { return !open_.empty() && open_.back() == Role::Root; }

    void SetText(CatalogMember& member, const char* first, const char* last) {
        member.start = static_cast<uint32_t>(first - base_);
        member.length = static_cast<uint32_t>(last - first);
    }

    void SetString(CatalogMember& member, const Span& span) {
        SetText(member, span.first, span.last);
        member.units = static_cast<uint32_t>(span.units);
        member.plain = span.plain;
    }

    void AddDigest(const Span& span) {
        CatalogMember& digest = document_.digests_.emplace_back();
        digest.kind = static_cast<uint8_t>(JsonKind::String);
        SetString(digest, span);
        ++document_.entries_.back().withdrawn.length;
    }

    CatalogDocument& document_;
    const char* const base_;
    std::vector<Role> open_;
    // The entry's member whose key was read last; none when the entry does
    // not read it or read it already.
    CatalogMember CatalogEntry::* slot_ = nullptr;
    int topMember_ = kOtherMember;
    bool topTaken_[kTopMembers] = {};
    std::vector<JsonMembers::value_type> topMembers_;
    std::wstring scratch_;
};

CatalogDocument::CatalogDocument(std::string_view utf8) : bytes_(utf8) {
    // Places in the bytes are 32-bit; a catalogue is a few MiB at most.
    if (utf8.size() > UINT32_MAX) {
        if (!IsWellFormedUtf8(utf8)) Fail(msg::kUtf8Invalid);
        Fail(msg::kJsonInvalid);
    }
    CatalogDocumentReader reader(*this);
    json_grammar::ParseUtf8Text(utf8, reader);
    reader.Finish();
}

void CatalogDocument::TextInto(const CatalogMember& member, std::wstring& out) const {
    if (member.Kind() != JsonKind::String) {
        out.clear();
        return;
    }
    const char* first = bytes_.data() + member.start;
    json_grammar::AssignString(Span{first, first + member.length, member.units, member.plain}, out);
}

std::wstring CatalogDocument::Text(const CatalogMember& member) const {
    std::wstring text;
    TextInto(member, text);
    return text;
}

double CatalogDocument::Number(const CatalogMember& member) const {
    if (member.Kind() != JsonKind::Number) return 0.0;
    std::wstring scratch;
    const char* first = bytes_.data() + member.start;
    return json_grammar::ConvertNumberText(first, first + member.length, scratch);
}

std::vector<std::wstring> CatalogDocument::Digests(const CatalogMember& withdrawn) const {
    std::vector<std::wstring> digests;
    if (withdrawn.Kind() != JsonKind::Array) return digests;
    digests.reserve(withdrawn.length);
    for (uint32_t i = 0; i < withdrawn.length; ++i) digests.push_back(Text(digests_[withdrawn.start + i]));
    return digests;
}
