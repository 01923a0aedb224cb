#pragma once

#include "base/error.h"

template <typename Fn>
std::string ErrorOf(Fn&& fn) {
    try {
        fn();
    } catch (const AppError& e) {
        return e.what();
    }
    return "<no error>";
}
