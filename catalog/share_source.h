// The organisation's mirror of the offline folder on a file share
// (\\serveur\partage\OrkvaneOffline, a DFS namespace included). It is read as
// a USB key is, and trusted only while the user cannot change it: the share's
// administrators publish, its users read.
#pragma once

#include <string>

// Whether the path names a share (or a device) rather than a drive letter: it
// begins with two slashes or backslashes.
bool IsSharePath(const std::wstring& path);

// The mirror's root on the share, as ValidateOfflineRoot finds a key's: the
// path made full (\\?\UNC\ and forward slashes accepted, ".." kept within the
// share), holding catalog.json itself or in its OrkvaneOffline folder, reached
// through no link. Refused as well when the current user can change the root
// or its catalog.json, or rename a folder above it on the share. Throws with
// the user-facing message.
std::wstring ValidateShareRoot(const std::wstring& path);

// catalog.json of a validated root, at most `limit` bytes. The root is held
// open while the file is checked and read through one handle: what was found
// read-only is what is read, whatever is renamed meanwhile.
std::string ReadShareCatalog(const std::wstring& root, unsigned long long limit);
