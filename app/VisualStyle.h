#pragma once
// The "Windows10 Purple" look: a style sheet with a purple accent carried among the
// program's resources.

#include <QApplication>
#include <QString>

namespace brevant {

inline constexpr char16_t VisualStyleName[] = u"Windows10 Purple";
inline constexpr char VisualStyleResource[] = ":/brevant/style/Windows10Purple.qss";

/// Applies the style sheet at `resource`. False (and the application's look left as it
/// was) when the resource is missing, unreadable or empty.
bool ApplyVisualStyle(QApplication& app, const QString& resource = QString::fromLatin1(VisualStyleResource));

}  // namespace brevant
