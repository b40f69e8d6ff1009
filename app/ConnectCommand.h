#pragma once
// The connect button's work: configure and open the selected kind's connection.

#include <QString>
#include <optional>

#include "app/ConnectionRow.h"

namespace brevant {

class TMyConnection;

class TConnectCommand {
public:
    explicit TConnectCommand(TMyConnection& myConn) : myConn_(myConn) {}

    /// Connects `kind` with the row's settings and returns the text for panel 0:
    /// "Conexión exitosa." or "Error al conectar."; nullopt when the kind has no
    /// connection here, so that panel 0 keeps its text. A port that is not a whole
    /// number escapes as EConvertError, after MyConn was closed and took the
    /// database, server, user and password.
    std::optional<QString> Run(int kind, const TConnectionRow& row);

private:
    TMyConnection& myConn_;
};

}  // namespace brevant
