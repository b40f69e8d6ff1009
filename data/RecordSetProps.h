#pragma once
// Property identifiers of the record sets (continuing those of the sessions and
// commands), with the cursor states and command types they report.

#include <cstdint>

#include "mysql/client/DAProps.h"
#include "mysql/client/TMySQLCommand.h"  // TCursorState

namespace brevant {

enum TRecordSetPropId : int {
    prFetchRows = 200,
    prFetchAll,
    prUniDirectional,
    prFieldsAsString,
    prNumberFieldsAsString,
    prNullForZeroDate,
    prEnableBoolean,
    prBinaryAsString,
    prCreateConnection,
    prLongStrings,
    prFlatBuffers,
    prTrimFixedChar,
};


enum TCommandType : std::uint8_t { ctUnknown, ctStatement, ctCursor };

enum TOpenNextState : std::uint8_t { osNotChecked, osMoreResults, osNoMoreResults, osError };

}  // namespace brevant
