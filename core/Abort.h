#pragma once
// Silent abort and internal consistency checks, shared by every layer.

#include <string>

#include "core/Errors.h"

namespace brevant {

/// Ends an operation without an error report: the application's default error
/// report and the guarded commands pass it over in silence.
class EAbort : public Exception {
public:
    EAbort() : Exception(UString(u"Operation aborted")) {}
};

[[noreturn]] inline void Abort() { throw EAbort(); }

/// A programming error caught by an internal consistency check. Raised (rather than
/// terminating) so that tests can see it and the program can report it.
class EAssertionFailed : public Exception {
public:
    using Exception::Exception;
};

[[noreturn]] inline void AssertionFailed(const char* expression, const char* file, int line) {
    throw EAssertionFailed(std::string("Assertion failed: ") + expression + " (" + file + ":" + std::to_string(line) +
                           ")");
}

}  // namespace brevant

#define BREVANT_ASSERT(cond) \
    ((cond) ? static_cast<void>(0) : ::brevant::AssertionFailed(#cond, __FILE__, __LINE__))
