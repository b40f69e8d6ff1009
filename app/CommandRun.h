#pragma once
// The command pane's run: the pane's text executed by the selected kind's command.

#include <optional>

#include "app/StatusTexts.h"
#include "core/Text.h"

namespace brevant {

class TMyCommand;
class TMyConnection;

class TCommandRun {
public:
    TCommandRun(TMyCommand& myCommand, TMyConnection& myConn) : myCommand_(myCommand), myConn_(myConn) {}

    /// Points the kind's command at its connection, replaces its statement by `text`
    /// and executes it: "Comando ejecutado correctamente." with "Registros afectados
    /// N.", or "Error en comando." with nothing in panel 1. nullopt when the kind has
    /// no command here (the run is then only the frame).
    std::optional<StatusText::TOutcome> Run(int kind, const UString& text);

private:
    TMyCommand& myCommand_;
    TMyConnection& myConn_;
};

}  // namespace brevant
