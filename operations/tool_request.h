// The worker's own copy of what it needs from one catalogue entry.
#pragma once

#include <string>
#include <vector>

struct CatalogApp;

struct ToolRequest {
    std::wstring name;
    std::wstring description;
    std::wstring exeName;
    std::wstring sha256;
    std::wstring downloadId;
    std::wstring downloadEndpoint;
    std::wstring sourceRoot;
    // Releases of the tool that must never run again.
    // Defaulted, so that a request spelled out member by member may leave it out.
    std::vector<std::wstring> withdrawn{};
    // The catalogue's version, as Windows' list of installed apps shows it.
    std::wstring version{};
};

ToolRequest MakeToolRequest(const CatalogApp& app);
