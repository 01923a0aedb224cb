// A symbolic link to a folder, made for one test and removed after it.
#pragma once

#include <string>

class FolderLink {
public:
    // Makes `link` a symbolic link to `target`, a folder named relative to the
    // link's own folder. made() tells whether the link shows as a reparse point.
    FolderLink(const std::wstring& link, const std::wstring& target);
    // Removes the link itself, never what it points to.
    ~FolderLink();
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;

    bool made() const;

private:
    std::wstring link_;
    std::string unixLink_;  // set when Wine's own links had to be used
};
