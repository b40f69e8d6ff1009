#pragma once
// Text files as the panes load them: a byte-order mark selects UTF-8 or UTF-16
// (either byte order); without one the bytes are in the system's 8-bit code page.

#include <QString>
#include <string_view>

#include "core/Text.h"

namespace brevant {

/// The text of a file's bytes, the mark removed.
UString DecodeTextFile(std::string_view bytes);

/// Reads and decodes a whole file; an Exception "Cannot open file "%s". %s" when
/// it cannot be read.
UString ReadTextFile(const QString& fileName);

}  // namespace brevant
