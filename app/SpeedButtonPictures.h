#pragma once
// The 16 x 16 pictures of the speed buttons, drawn in code for this program.

#include <QPixmap>

namespace brevant {

enum class TPicture { OrangeArrow, YellowFolder, RecycleBin, Picture, BlueBook, RedDocument };

QPixmap SpeedButtonPicture(TPicture picture);

}  // namespace brevant
