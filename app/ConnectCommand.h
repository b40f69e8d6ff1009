#pragma once
// The connect button's work: configure and open the selected kind's connection.

#include <QString>
#include <optional>

#include "app/ConnectionRow.h"

namespace brevant {

class FDConn;
class TMyConnection;
class TMyEmbConnection;

class TConnectCommand {
public:
    TConnectCommand(TMyConnection& myConn, TMyEmbConnection& myEmbConn, FDConn& fdConn)
        : myConn_(myConn), myEmbConn_(myEmbConn), fdConn_(fdConn) {}

    /// Connects `kind` with the row's settings and returns the text for panel 0:
    /// "Conexión exitosa." or "Error al conectar."; nullopt when no kind is selected,
    /// so that panel 0 keeps its text. Only the kind's own connection is touched. On
    /// kind 0 a port that is not a whole number escapes as EConvertError, after MyConn
    /// was closed and took the database, server, user and password.
    std::optional<QString> Run(int kind, const TConnectionRow& row);

private:
    void ConfigureMySQL(const TConnectionRow& row);
    void ConfigureEmbedded(const TConnectionRow& row);
    void ConfigureAccess(const TConnectionRow& row);

    TMyConnection& myConn_;
    TMyEmbConnection& myEmbConn_;
    FDConn& fdConn_;
};

}  // namespace brevant
