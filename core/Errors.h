#pragma once
// The frame's own errors. Every error of the system derives from Exception, which
// carries its message as UTF-16 (what() gives it as UTF-8).

#include <exception>
#include <string>

#include "core/Text.h"

namespace brevant {

class Exception : public std::exception {
public:
    explicit Exception(UString message);
    explicit Exception(std::string_view utf8Message);
    const UString& Message() const { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    UString message_;
    std::string utf8_;
};

/// A caller passed an argument out of range or of the wrong form.
class EArgumentError : public Exception {
public:
    using Exception::Exception;
};

/// A value could not be converted (text to number, a bad format directive).
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

}  // namespace brevant
