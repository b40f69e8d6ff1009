#include "core/Errors.h"

namespace brevant {

Exception::Exception(UString message) : message_(std::move(message)), utf8_(Utf16ToUtf8(message_)) {}

Exception::Exception(std::string_view utf8Message) : message_(Utf8ToUtf16(utf8Message)), utf8_(utf8Message) {}

}  // namespace brevant
