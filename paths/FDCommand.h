#pragma once
// The command of the Access path: runs one statement that returns no rows.

#include <cstdint>

#include "core/TStrings.h"
#include "paths/FDConn.h"

namespace brevant {

class FDCommand {
public:
    FDConn* Connection = nullptr;
    TStrings CommandText;

    /// Runs the text once (opening the connection when needed); EODBCError when the
    /// driver says it failed.
    void Execute();
    /// Rows the last successful execution changed as the driver counts them (-1 when
    /// the driver cannot tell); 0 after a failure.
    std::int64_t RowsAffected() const { return FRowsAffected; }

private:
    std::int64_t FRowsAffected = 0;
};

}  // namespace brevant
