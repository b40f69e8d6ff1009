#pragma once
// Helpers shared by the paths tests.

#include <functional>

#include "core/Errors.h"

namespace brevant::test {

/// The message of the error `f` raises, or "<no error>".
inline UString MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return u"<no error>";
}

}  // namespace brevant::test
