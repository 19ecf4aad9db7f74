// The pictures and icons in the program's resources. Internal to the forms runtime.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace forms::detail {

// A picture at the given device-pixel ratio: the "@2x" drawing where there is one and the
// display is dense, so that the logical size stays the same. Each picture and icon is read
// once per process, when first drawn, and kept: a search window is made anew for every
// category chosen.
QPixmap picture(const QString &resource, qreal devicePixelRatio);
QIcon icon(const QString &resource);

} // namespace forms::detail
