#pragma once
// The texts of the main window's status bar, defined once. Panel 0 tells the outcome
// of the last command, panel 1 counts, panel 2 the elapsed time of a timed command.

#include <QString>
#include <cstdint>

namespace brevant::StatusText {

inline constexpr char16_t ConnectOk[] = u"Conexión exitosa.";
inline constexpr char16_t ConnectFailed[] = u"Error al conectar.";
inline constexpr char16_t QueryOk[] = u"Sentencia ejecutada correctamente.";
inline constexpr char16_t QueryFailed[] = u"Error en sentencia.";
inline constexpr char16_t CommandOk[] = u"Comando ejecutado correctamente.";
inline constexpr char16_t CommandFailed[] = u"Error en comando.";
/// A backup or restore the user cancelled in its progress dialog.
inline constexpr char16_t CommandCancelled[] = u"Comando cancelado.";

/// "Registros afectados " N ".".
inline QString RowsAffected(long long rows) {
    return QStringLiteral(u"Registros afectados ") + QString::number(rows) + QLatin1Char('.');
}

/// "Registros: " R "/" N ".": the current record number and the record count.
inline QString Records(long long recNo, long long count) {
    return QStringLiteral(u"Registros: ") + QString::number(recNo) + QLatin1Char('/') + QString::number(count) +
           QLatin1Char('.');
}

/// "Registro: " N ".": the embedded kind's query count.
inline QString RecordTotal(long long count) {
    return QStringLiteral(u"Registro: ") + QString::number(count) + QLatin1Char('.');
}

/// "Registros: " N ".": the Access query's count, without the record number.
inline QString RecordsTotal(long long count) {
    return QStringLiteral(u"Registros: ") + QString::number(count) + QLatin1Char('.');
}

/// What a run shows: panel 0 its outcome, panel 1 a count or nothing.
struct TOutcome {
    QString panel0;
    QString panel1;
    /// Panel 1 is left as it stands (the backups' success writes only panel 0).
    bool keepPanel1 = false;
};

/// "Tiempo invertido " S " segundos.", S in decimal without separators.
inline QString Elapsed(std::uint32_t seconds) {
    return QStringLiteral(u"Tiempo invertido ") + QString::number(seconds) + QStringLiteral(u" segundos.");
}

}  // namespace brevant::StatusText
