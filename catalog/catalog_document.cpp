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
// The longest member name the readers look for ("downloadEndpoint").
constexpr size_t kLongestName = 16;
// The containers around an entry: the root and "apps".
constexpr int kEntryDepth = 2;

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

// The root's members the catalogue reads, in the order of the names below.
enum TopMember { kDownloadEndpoint, kIconBaseUrl, kSerial, kExpires, kApps, kTopMembers, kOtherMember = kTopMembers };
constexpr std::string_view kTopNames[kTopMembers] = {"downloadEndpoint", "iconBaseUrl", "serial", "expires", "apps"};
constexpr const wchar_t* kTopWideNames[kTopMembers] = {L"downloadEndpoint", L"iconBaseUrl", L"serial", L"expires",
                                                       L"apps"};

// What an open container is to the catalogue.
enum class Role : uint8_t { Ignored, Root, Apps, Entry, Withdrawn };

// The sink that reads one entry again: the members of the outermost object.
class EntryReader {
public:
    EntryReader(const char* base, CatalogEntry& entry) : base_(base), entry_(entry) {}

    void Null() { Place(JsonKind::Null); }
    void Bool(bool value) {
        if (CatalogMember* member = Place(JsonKind::Bool)) member->boolValue = value;
    }
    void Number(const char* first, const char* last) {
        if (CatalogMember* member = Place(JsonKind::Number)) SetText(*member, first, last);
    }
    void String(const Span& span) {
        if (depth_ == 2 && inWithdrawn_) {
            if (span.units == kDigestUnits) SetString(entry_.digests.emplace_back(), span);
        } else if (CatalogMember* member = Place(JsonKind::String)) {
            SetString(*member, span);
        }
    }
    void BeginArray(const char*) {
        CatalogMember* member = Place(JsonKind::Array);
        // Only the strings right inside the entry's first "withdrawn" count.
        if (member != nullptr && slot_ == &CatalogEntry::withdrawn) inWithdrawn_ = true;
        ++depth_;
    }
    void BeginObject(const char*) {
        Place(JsonKind::Object);
        ++depth_;
    }
    void EndArray() { Close(); }
    void EndObject() { Close(); }
    void Key(const Span& key) {
        if (depth_ != 1) return;
        slot_ = EntrySlot(key);
        if (slot_ == nullptr) return;
        CatalogMember& member = entry_.*slot_;
        // A repeated member is read and dropped: the first one counts.
        if (member.taken) slot_ = nullptr;
        member.taken = true;
    }

private:
    // The entry's member a value fills, if any.
    CatalogMember* Place(JsonKind kind) {
        if (depth_ != 1 || slot_ == nullptr) return nullptr;
        CatalogMember& member = entry_.*slot_;
        member.kind = static_cast<uint8_t>(kind);
        return &member;
    }
    void Close() {
        --depth_;
        if (depth_ == 1) inWithdrawn_ = false;
    }
    void SetText(CatalogMember& member, const char* first, const char* last) {
        member.start = static_cast<uint32_t>(first - base_);
        member.length = static_cast<uint32_t>(last - first);
    }
    void SetString(CatalogMember& member, const Span& span) {
        member.kind = static_cast<uint8_t>(JsonKind::String);
        SetText(member, span.first, span.last);
        member.units = static_cast<uint32_t>(span.units);
        member.plain = span.plain;
    }

    const char* const base_;
    CatalogEntry& entry_;
    // The containers open around the value being read: 1 inside the entry.
    int depth_ = 0;
    // The entry's member whose key was read last; none when the entry does
    // not read it or read it already.
    CatalogMember CatalogEntry::* slot_ = nullptr;
    bool inWithdrawn_ = false;
};

}  // namespace

// The sink of the one pass: keeps the root's few members, and where each
// object of "apps" opens.
class CatalogDocumentReader {
public:
    explicit CatalogDocumentReader(CatalogDocument& document) : document_(document), base_(document.bytes_.data()) {
        open_.reserve(kMaxJsonDepth);
    }

    void Null() { Place(JsonKind::Null); }
    void Bool(bool value) {
        if (JsonValue* top = Place(JsonKind::Bool)) top->boolValue = value;
    }
    void Number(const char* first, const char* last) {
        if (JsonValue* top = Place(JsonKind::Number)) top->number = json_grammar::ConvertNumberText(first, last, scratch_);
    }
    void String(const Span& span) {
        if (JsonValue* top = Place(JsonKind::String)) json_grammar::AssignString(span, top->text);
    }
    void BeginArray(const char*) { open_.push_back(Opened(JsonKind::Array)); }
    void BeginObject(const char* at) {
        const Role role = Opened(JsonKind::Object);
        if (role == Role::Entry) document_.entryStarts_.push_back(static_cast<uint32_t>(at - base_));
        open_.push_back(role);
    }
    void EndArray() { open_.pop_back(); }
    void EndObject() {
        // An entry is told once the pass has read it whole.
        if (open_.back() == Role::Entry && document_.watcher_ != nullptr)
            document_.watcher_->Found(document_.entryStarts_.size(), document_.entryStarts_.back());
        open_.pop_back();
    }
    void Key(const Span& key) {
        if (open_.back() != Role::Root) return;
        topMember_ = kOtherMember;
        for (int i = 0; i < kTopMembers; ++i) {
            if (KeyIs(key, kTopNames[i])) {
                // A repeated member is read and dropped: the first one counts.
                if (!topTaken_[i]) topMember_ = i;
                topTaken_[i] = true;
                break;
            }
        }
    }

    void Finish() { document_.top_.members.Assign(std::move(topMembers_)); }

private:
    // Where a value of `kind` lands; returns the root's member it is, when
    // the catalogue reads it.
    JsonValue* Place(JsonKind kind) {
        if (open_.empty()) {
            document_.top_.kind = kind;
            return nullptr;
        }
        if (open_.back() == Role::Apps) ++document_.appsElements_;
        if (open_.back() != Role::Root || topMember_ == kOtherMember || topMember_ == kApps) return nullptr;
        JsonMembers::value_type& member = topMembers_.emplace_back();
        member.first = kTopWideNames[topMember_];
        member.second.kind = kind;
        return &member.second;
    }

    Role Opened(JsonKind kind) {
        const bool root = open_.empty();
        const bool apps = !root && open_.back() == Role::Root && topMember_ == kApps;
        const bool entry = !root && open_.back() == Role::Apps;
        if (!apps) Place(kind);
        if (root) return kind == JsonKind::Object ? Role::Root : Role::Ignored;
        if (apps) return kind == JsonKind::Array ? Role::Apps : Role::Ignored;
        if (entry && kind == JsonKind::Object) return Role::Entry;
        return Role::Ignored;
    }

    CatalogDocument& document_;
    const char* const base_;
    std::vector<Role> open_;
    int topMember_ = kOtherMember;
    bool topTaken_[kTopMembers] = {};
    std::vector<JsonMembers::value_type> topMembers_;
    std::wstring scratch_;
};

CatalogDocument::CatalogDocument(std::string_view utf8) : bytes_(utf8) { ReadBytes(); }

CatalogDocument::CatalogDocument(std::string_view utf8, ReadLater) : bytes_(utf8) {
    // Each entry takes three bytes at least ("{}" and a comma): the places
    // never move while another thread reads them. Room never written is
    // never touched.
    entryStarts_.reserve(utf8.size() / 3 + 1);
}

void CatalogDocument::Read(CatalogReadWatcher& watcher) {
    watcher_ = &watcher;
    ReadBytes();
    watcher_ = nullptr;
}

void CatalogDocument::ReadBytes() {
    // Places in the bytes are 32-bit; a catalogue is a few MiB at most.
    if (bytes_.size() > UINT32_MAX) {
        if (!IsWellFormedUtf8(bytes_)) Fail(msg::kUtf8Invalid);
        Fail(msg::kJsonInvalid);
    }
    CatalogDocumentReader reader(*this);
    json_grammar::ParseUtf8Text(bytes_, reader);
    reader.Finish();
}

void CatalogDocument::ReadEntry(size_t index, CatalogEntry& entry) const {
    std::vector<CatalogMember> digests = std::move(entry.digests);
    digests.clear();
    entry = CatalogEntry();
    entry.digests = std::move(digests);
    EntryReader reader(bytes_.data(), entry);
    // The whole document was checked: this reads, and cannot fail.
    json_grammar::Cursor<char> cursor{bytes_.data() + entryStarts_[index], bytes_.data() + bytes_.size()};
    json_grammar::ParseValue(cursor, reader, kEntryDepth);
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
