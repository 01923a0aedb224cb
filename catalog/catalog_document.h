// The parts of catalog.json that the catalogue is built from, read in one
// pass over the document's UTF-8 bytes. No tree of the document is made: the
// pass checks the whole document, as ParseJson does, and keeps only the
// root's few members and where each entry starts. An entry is read again
// from the bytes when the catalogue takes it, into one record reused from
// entry to entry, and the catalogue converts only the texts it keeps. On a
// busy machine fresh memory is dear: a record per entry cost more than
// reading each entry twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/json.h"

// One member of a catalogue entry: its kind and where its value lies.
struct CatalogMember {
    // String and Number: where the text (between the quotes) lies in the bytes.
    uint32_t start = 0;
    uint32_t length = 0;
    // String: its length in UTF-16 units.
    uint32_t units = 0;
    // A JsonKind; Null also for an absent member, which the catalogue reads
    // alike.
    uint8_t kind = 0;
    // The entry held this member already: the first one written counts.
    bool taken = false;
    // A string without escapes, all ASCII: its bytes are its units.
    bool plain = false;
    bool boolValue = false;

    JsonKind Kind() const { return static_cast<JsonKind>(kind); }
};

// The members of one object of "apps" that make a tool.
struct CatalogEntry {
    CatalogMember id;
    CatalogMember version;
    CatalogMember category;
    CatalogMember lot;
    CatalogMember description;
    CatalogMember sha256;
    CatalogMember hidden;
    CatalogMember icon;
    CatalogMember withdrawn;
    CatalogMember rollout;
    // The strings of "withdrawn" that have a digest's length.
    std::vector<CatalogMember> digests;
};

// Told of the pass's progress, on the thread that reads the document.
class CatalogReadWatcher {
public:
    // The pass has read `entries` objects of "apps" whole so far, the last
    // one opening at byte `position`.
    virtual void Found(size_t entries, size_t position) = 0;

protected:
    ~CatalogReadWatcher() = default;
};

class CatalogDocument {
public:
    // Reads the whole document; throws "UTF-8 invalide" or "Lecture du
    // catalogue JSON impossible" as ParseJson(utf8) does. The bytes must
    // outlive the document.
    explicit CatalogDocument(std::string_view utf8);
    // A document that Read reads, telling `watcher` of each entry it has
    // read whole: another thread may read an entry (ReadEntry) once it is
    // told of it, though the document may still fail further on.
    struct ReadLater {};
    CatalogDocument(std::string_view utf8, ReadLater);
    void Read(CatalogReadWatcher& watcher);

    // The root's kind and, when it is an object, the first of each of its
    // members "downloadEndpoint", "iconBaseUrl", "serial" and "expires"
    // (a container among them keeps only its kind).
    const JsonValue& top() const { return top_; }
    // The root's first "apps" member is an array of at least one element.
    bool hasApps() const { return appsElements_ > 0; }
    // The objects of that array; its other elements make no tool.
    size_t entryCount() const { return entryStarts_.size(); }
    size_t byteCount() const { return bytes_.size(); }
    // The members of the index-th of those objects, into `entry`.
    void ReadEntry(size_t index, CatalogEntry& entry) const;

    std::wstring Text(const CatalogMember& member) const;
    // The same into `out`, whose room is reused.
    void TextInto(const CatalogMember& member, std::wstring& out) const;
    double Number(const CatalogMember& member) const;

private:
    friend class CatalogDocumentReader;
    void ReadBytes();

    std::string_view bytes_;
    JsonValue top_;
    size_t appsElements_ = 0;
    // Where each object of "apps" opens, in the bytes.
    std::vector<uint32_t> entryStarts_;
    CatalogReadWatcher* watcher_ = nullptr;
};
