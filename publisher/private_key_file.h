// The private key's file: readable by the publisher alone, whatever the folder
// it is written to would hand down.
#pragma once

#include <string>

// SDDL of the key file's security descriptor: a protected DACL (nothing
// inherited) giving full control to `userSid` (SDDL form), SYSTEM and the
// Administrators, and nothing to anyone else.
std::wstring PrivateKeyFileSddl(const std::wstring& userSid);

// Creates the file with that descriptor for the current user and writes the
// bytes; throws "Création du fichier impossible" or "Écriture du fichier
// impossible".
void WritePrivateKeyFile(const std::wstring& path, const std::string& bytes);
