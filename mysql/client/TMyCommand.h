#pragma once
// The MySQL command component: a TCustomDASQL on a MySQL connection, with the
// command's read and write time limit (CommandTimeout, seconds; 0: no limit).

#include "mysql/client/TCustomDASQL.h"
#include "mysql/client/TCustomMyConnection.h"

namespace brevant {

class TMyCommand : public TCustomDASQL {
public:
    explicit TMyCommand(TCustomMyConnection* connection = nullptr) : TCustomDASQL(connection) {}

    TCustomMyConnection* Connection() const { return static_cast<TCustomMyConnection*>(FConnection); }
    void SetConnection(TCustomMyConnection* connection) { TCustomDASQL::SetConnection(connection); }
    int CommandTimeout() const { return FCommandTimeout; }
    void SetCommandTimeout(int seconds) { FCommandTimeout = seconds; }

protected:
    void SetICommandProps(TMySQLCommand& command) override { command.SetProp(prCommandTimeout, FCommandTimeout); }

    int FCommandTimeout = 0;
};

}  // namespace brevant
