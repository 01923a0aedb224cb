// The parts of catalog.json that the catalogue is built from, read in one
// pass over the document's UTF-8 bytes. No tree of the whole document is
// made: an entry's members stay where they are in the bytes, and the
// catalogue converts only the texts it keeps. The document is checked whole,
// as ParseJson checks it, and fails with the same messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/json.h"

// One member of a catalogue entry: its kind and where its value lies.
struct CatalogMember {
    // String and Number: where the text (between the quotes) lies in the
    // bytes. Array: the first of its possible digests and their count.
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
};

class CatalogDocument {
public:
    // Reads the whole document; throws "UTF-8 invalide" or "Lecture du
    // catalogue JSON impossible" as ParseJson(utf8) does. The bytes must
    // outlive the document.
    explicit CatalogDocument(std::string_view utf8);

    // The root's kind and, when it is an object, the first of each of its
    // members "downloadEndpoint", "iconBaseUrl", "serial" and "expires"
    // (a container among them keeps only its kind).
    const JsonValue& top() const { return top_; }
    // The root's first "apps" member is an array of at least one element.
    bool hasApps() const { return appsElements_ > 0; }
    // The objects of that array, in order; its other elements make no tool.
    const std::vector<CatalogEntry>& entries() const { return entries_; }

    std::wstring Text(const CatalogMember& member) const;
    // The same into `out`, whose room is reused.
    void TextInto(const CatalogMember& member, std::wstring& out) const;
    double Number(const CatalogMember& member) const;
    // The strings of a "withdrawn" array that have a digest's length.
    std::vector<std::wstring> Digests(const CatalogMember& withdrawn) const;

private:
    friend class CatalogDocumentReader;

    std::string_view bytes_;
    JsonValue top_;
    size_t appsElements_ = 0;
    std::vector<CatalogEntry> entries_;
    // The strings of every entry's "withdrawn" that could be digests.
    std::vector<CatalogMember> digests_;
};
