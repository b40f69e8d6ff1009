#include "app/Conversions.h"

#include "core/Errors.h"
#include "core/Format.h"

namespace brevant {

int StrToInt(UStringView text) {
    int value = 0;
    if (!TryStrToInt(text, value)) throw EConvertError(Format(u"'%s' is not a valid integer value", {text}));
    return value;
}

}  // namespace brevant
