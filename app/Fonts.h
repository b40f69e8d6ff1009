#pragma once
#include <QFont>

namespace brevant {

/// The windows' font: Tahoma at a character height of `pixelSize` pixels, or the
/// nearest installed sans-serif face of similar width when Tahoma is not installed.
QFont TahomaFont(int pixelSize);

}  // namespace brevant
