#pragma once
// The query pane's run: the pane's text opened by the selected kind's query, which
// the data source then shows.

#include <optional>

#include "app/StatusTexts.h"
#include "core/Text.h"

namespace brevant {

class FDConn;
class FDQuery;
class TDataSource;
class TMyConnection;
class TMyEmbConnection;
class TMyQuery;

class TQueryRun {
public:
    TQueryRun(TMyQuery& myQuery, TMyConnection& myConn, TMyEmbConnection& myEmbConn, TDataSource& dataSource,
              FDQuery& fdQuery, FDConn& fdConn)
        : myQuery_(myQuery), myConn_(myConn), myEmbConn_(myEmbConn), dataSource_(dataSource), fdQuery_(fdQuery),
          fdConn_(fdConn) {}

    /// Points the data source at the kind's query and the query at its connection,
    /// replaces the statement by `text` and opens it: "Sentencia ejecutada
    /// correctamente." with the kind's count text ("Registros: R/N." on kind 0,
    /// "Registro: N." on kind 1, "Registros: N." on kind 2), or "Error en
    /// sentencia." with nothing in panel 1 (the query stays closed). nullopt when no
    /// kind is selected (the run is then only the frame).
    std::optional<StatusText::TOutcome> Run(int kind, const UString& text);

private:
    void OpenMySQL(int kind, const UString& text);
    void OpenAccess(const UString& text);

    TMyQuery& myQuery_;
    TMyConnection& myConn_;
    TMyEmbConnection& myEmbConn_;
    TDataSource& dataSource_;
    FDQuery& fdQuery_;
    FDConn& fdConn_;
};

}  // namespace brevant
