#pragma once
// A record, in the data folder, that this program's last server on it started
// and stopped cleanly with the same arguments. The trial start in a child
// (EmbeddedStart.h) guards against a start that ends or breaks the process; it
// costs a whole extra start, so it is left out when a record proves that the
// same start has already worked and nothing it depends on changed since:
// - the arguments and the library file (path, size, modification time);
// - the option files the server reads for its groups (their contents, with the
//   files they include);
// - the files directly in the data folder (name, size, modification time), which
//   every server that uses the folder rewrites.
// The record is removed before every start and written only after a clean stop,
// so a program that crashed or was killed while its server ran leaves none.
// It holds a digest, never the option files' text.

#include <string>
#include <vector>

namespace brevant {

/// The digest of what a start with `args` on `dataDir` depends on; `librarySymbol`
/// is any address inside the loaded library.
std::string StartFingerprint(const std::vector<std::string>& args, const std::string& dataDir,
                             const void* librarySymbol);

/// The record's file in a data folder.
std::string ProvenStartPath(const std::string& dataDir);

/// True when the record of `dataDir` holds exactly `fingerprint`.
bool StartProven(const std::string& dataDir, const std::string& fingerprint);

/// Removes the record (before a start).
void ForgetProvenStart(const std::string& dataDir);

/// Writes the record (after a clean stop); a folder that cannot be written keeps none.
void RecordProvenStart(const std::string& dataDir, const std::string& fingerprint);

}  // namespace brevant
