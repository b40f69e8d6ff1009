#pragma once
// What a connection knows of the commands and datasets that use it: they register
// when they first use it and hear when the session changes or the connection
// opens or closes; after a lost connection each may veto a silent reconnect.

#include "mysql/client/DAErrors.h"

namespace brevant {

class TCRConnection;

class TDAConnectionClient {
public:
    virtual ~TDAConnectionClient() = default;
    /// The connection opened (true) or is closing (false; datasets close).
    virtual void ConnectChange(bool /*connected*/) {}
    /// The connection's session object changed.
    virtual void IConnectionChanged(TCRConnection* /*session*/) {}
    /// True when this client forbids reconnecting after a lost connection whose
    /// cause is `cause`, while `failingComponent` ran the failing operation.
    virtual bool VetoesReconnect(TConnLostCause /*cause*/, const void* /*failingComponent*/) const { return false; }
};

/// The veto rule for a dataset: a prepared dataset always vetoes; an open one that
/// neither fetches all rows nor has fetched them all vetoes too, except for every
/// dataset when the cause is clTransStart, every dataset other than the failing one
/// when the cause is clOpen, and the failing one itself when the cause is clRefresh.
constexpr bool DataSetVetoesReconnect(bool prepared, bool active, bool fetchAll, bool fetched, bool isFailing,
                                      TConnLostCause cause) {
    if (prepared) return true;
    if (!active || fetchAll || fetched) return false;
    if (cause == clTransStart) return false;
    if (cause == clOpen && !isFailing) return false;
    if (cause == clRefresh && isFailing) return false;
    return true;
}

/// The veto rule for a command: a prepared command that is not executing.
constexpr bool CommandVetoesReconnect(bool prepared, bool executing) { return prepared && !executing; }

}  // namespace brevant
