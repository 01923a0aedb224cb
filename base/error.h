// The program's one error type: a runtime error whose message is French UTF-8
// text meant for the user. Workers catch it at their top and show the message.
#pragma once

#include <stdexcept>

class AppError : public std::runtime_error {
public:
    explicit AppError(const char* utf8Message) : std::runtime_error(utf8Message) {}
};

[[noreturn]] inline void Fail(const char* utf8Message) { throw AppError(utf8Message); }
