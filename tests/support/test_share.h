// A file share for the tests. Wine maps \\serveur\<name> to the folder
// dosdevices/unc/serveur/<name> of the prefix; here that is a Linux folder of
// the share's own, removed at the end.
#pragma once

#include <string>

class TestShare {
public:
    explicit TestShare(const std::wstring& name);
    ~TestShare();
    TestShare(const TestShare&) = delete;
    TestShare& operator=(const TestShare&) = delete;

    // \\serveur\<name>; empty when the share could not be made.
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const;

    // Hands the share and all it holds to another Linux user, as a share's
    // administrators own it, with nothing writable by anyone else. Wine then
    // grants this user what every user holds: reading.
    bool HandToAdministrators() const;
    // Lets every user write `path`, a file or folder of the share.
    bool LetEveryoneWrite(const std::wstring& path) const;

private:
    std::string UnixPathOf(const std::wstring& path) const;

    std::wstring path_;
    std::string unixFolder_;
};
