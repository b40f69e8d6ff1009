#pragma once
// ExpectRaises<E>(call, code, text): runs call, which must raise an E with the
// given code (kAnyCode: not checked) and message (std::nullopt: not checked),
// and returns the exception for further checks (nullopt when none came). A
// failure names the line of the test that called it (the file and line
// default arguments are taken where the call stands).

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "core/Text.h"

namespace brevant::test {

inline constexpr int kAnyCode = INT_MIN;

template <class E, class F>
std::optional<E> ExpectRaises(F&& call, int code = kAnyCode, std::optional<UString> text = std::nullopt,
                              const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    try {
        call();
    } catch (const E& e) {
        if constexpr (requires { e.ErrorCode(); }) {
            if (code != kAnyCode && static_cast<long long>(e.ErrorCode()) != code)
                ADD_FAILURE_AT(file, line)
                    << "error code " << e.ErrorCode() << ", expected " << code << ": " << Narrow(e.Message());
        }
        if (text && e.Message() != *text)
            ADD_FAILURE_AT(file, line)
                << "message \"" << Narrow(e.Message()) << "\", expected \"" << Narrow(*text) << "\"";
        return e;
    }
    ADD_FAILURE_AT(file, line) << "nothing was raised";
    return std::nullopt;
}

}  // namespace brevant::test
