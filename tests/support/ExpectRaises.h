#pragma once
// ExpectRaises<E>(call, code, text): runs call, which must raise an E with the
// given code (kAnyCode: not checked) and message (std::nullopt: not checked),
// and returns the exception for further checks (nullopt when none came). A
// failure names the line of the test that called it.

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <source_location>
#include <string>

#include "core/Text.h"

namespace brevant::test {

inline constexpr int kAnyCode = INT_MIN;

template <class E, class F>
std::optional<E> ExpectRaises(F&& call, int code = kAnyCode, std::optional<UString> text = std::nullopt,
                              std::source_location where = std::source_location::current()) {
    try {
        call();
    } catch (const E& e) {
        if constexpr (requires { e.ErrorCode(); }) {
            if (code != kAnyCode && static_cast<long long>(e.ErrorCode()) != code)
                ADD_FAILURE_AT(where.file_name(), where.line())
                    << "error code " << e.ErrorCode() << ", expected " << code << ": " << Narrow(e.Message());
        }
        if (text && e.Message() != *text)
            ADD_FAILURE_AT(where.file_name(), where.line())
                << "message \"" << Narrow(e.Message()) << "\", expected \"" << Narrow(*text) << "\"";
        return e;
    }
    ADD_FAILURE_AT(where.file_name(), where.line()) << "nothing was raised";
    return std::nullopt;
}

}  // namespace brevant::test
