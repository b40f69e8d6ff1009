#pragma once
// The application's default error report: one handler that every error escaping a
// window handler (or a script's "report and go on" action) reaches. The window
// installs a handler that shows a message box; without one the text goes to stderr.

#include <exception>
#include <functional>

namespace brevant {

using ApplicationErrorHandler = std::function<void(const std::exception&)>;

/// Installs the handler and returns the previous one.
ApplicationErrorHandler SetApplicationErrorHandler(ApplicationErrorHandler handler);
/// Reports an error through the installed handler; EAbort is passed over. Never throws.
void HandleApplicationException(const std::exception& error) noexcept;

}  // namespace brevant
