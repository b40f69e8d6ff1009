#include "core/ErrorHook.h"

#include "core/Abort.h"

#include <cstdio>
#include <mutex>

namespace brevant {

namespace {
std::mutex gMutex;
ApplicationErrorHandler gHandler;
}  // namespace

ApplicationErrorHandler SetApplicationErrorHandler(ApplicationErrorHandler handler) {
    std::lock_guard<std::mutex> lock(gMutex);
    std::swap(gHandler, handler);
    return handler;
}

void HandleApplicationException(const std::exception& error) noexcept {
    // A silent abort ends an operation on purpose (a cancelled login, a handler
    // that cleared the fail flag): there is nothing to report.
    if (dynamic_cast<const EAbort*>(&error)) return;
    ApplicationErrorHandler handler;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        handler = gHandler;
    }
    try {
        if (handler) {
            handler(error);
            return;
        }
    } catch (...) {
        // A failing report must not take the program down; fall through to stderr.
    }
    std::fprintf(stderr, "%s\n", error.what());
}

}  // namespace brevant
