#pragma once
// The command pane's run: the pane's text executed by the selected kind's command.

#include <optional>

#include "app/StatusTexts.h"
#include "core/Text.h"

namespace brevant {

class FDCommand;
class FDConn;
class TMyCommand;
class TMyConnection;
class TMyEmbConnection;

class TCommandRun {
public:
    TCommandRun(TMyCommand& myCommand, TMyConnection& myConn, TMyEmbConnection& myEmbConn, FDCommand& fdCommand,
                FDConn& fdConn)
        : myCommand_(myCommand), myConn_(myConn), myEmbConn_(myEmbConn), fdCommand_(fdCommand), fdConn_(fdConn) {}

    /// Kinds 0 and 1: points the MySQL command at the kind's connection, replaces its
    /// statement by `text` and executes it: "Comando ejecutado correctamente." with
    /// "Registros afectados N.", or "Error en comando." with nothing in panel 1.
    /// Kind 2: RunAccess. nullopt when no kind is selected (only the frame).
    std::optional<StatusText::TOutcome> Run(int kind, const UString& text);

private:
    /// The text runs statement by statement on the Access connection, every one
    /// whatever the ones before did. "Error en comando." when any of them failed, so
    /// that an early failure is not hidden by a later success; otherwise the rows the
    /// last one changed. A text with no statement runs nothing: nullopt.
    std::optional<StatusText::TOutcome> RunAccess(const UString& text);

    TMyCommand& myCommand_;
    TMyConnection& myConn_;
    TMyEmbConnection& myEmbConn_;
    FDCommand& fdCommand_;
    FDConn& fdConn_;
};

}  // namespace brevant
