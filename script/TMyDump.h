#pragma once
// The MySQL dump component. Restoring runs the script with the MySQL runner, every
// statement sent exactly as written (no parameters, no macros).

#include "mysql/client/TCustomMyConnection.h"
#include "script/TDADump.h"
#include "script/TMyScript.h"

namespace brevant {

class TMyDump : public TDADump {
public:
    explicit TMyDump(TCustomMyConnection* connection = nullptr) : TDADump(connection) {}

    TCustomMyConnection* Connection() const { return static_cast<TCustomMyConnection*>(FConnection); }
    void SetConnection(TCustomMyConnection* connection) { TDADump::SetConnection(connection); }

protected:
    std::unique_ptr<TDAScript> CreateScript() override {
        auto script = std::make_unique<TMyScript>();
        script->SetScanParams(false);
        return script;
    }
};

}  // namespace brevant
