// Exceptions turned into the text shown to the user.
#pragma once

#include <exception>
#include <string>

// A worker's error message for display: strict UTF-8 when it is valid, else
// read leniently (invalid sequences become U+FFFD); never throws.
std::wstring ErrorMessageText(const char* utf8Message);
// The same for any exception caught: ours carry French UTF-8 messages; others
// (an allocation failure, a system error) show too.
std::wstring ErrorText(const std::exception& error);
// "Erreur inconnue", for a failure that left no exception to tell of.
std::wstring UnknownErrorText();
