#pragma once
// Text-to-number conversions of the window's boxes, failing with the frame's
// conversion error.

#include "core/Text.h"

namespace brevant {

/// The whole number in `text` (decimal, or hexadecimal after "$" or "0x");
/// EConvertError "'%s' is not a valid integer value" otherwise.
int StrToInt(UStringView text);

}  // namespace brevant
