#pragma once
// The query pane's run: the pane's text opened by the selected kind's query, which
// the data source then shows.

#include <optional>

#include "app/StatusTexts.h"
#include "core/Text.h"

namespace brevant {

class TDataSource;
class TMyConnection;
class TMyQuery;

class TQueryRun {
public:
    TQueryRun(TMyQuery& myQuery, TMyConnection& myConn, TDataSource& dataSource)
        : myQuery_(myQuery), myConn_(myConn), dataSource_(dataSource) {}

    /// Points the data source at the kind's query and the query at its connection,
    /// replaces the statement by `text` and opens it: "Sentencia ejecutada
    /// correctamente." with "Registros: R/N.", or "Error en sentencia." with nothing in
    /// panel 1 (the query stays closed). nullopt when the kind has no query here (the
    /// run is then only the frame).
    std::optional<StatusText::TOutcome> Run(int kind, const UString& text);

private:
    TMyQuery& myQuery_;
    TMyConnection& myConn_;
    TDataSource& dataSource_;
};

}  // namespace brevant
