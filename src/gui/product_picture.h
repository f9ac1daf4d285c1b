// The product's picture for the About box and the splash window, drawn
// rather than shipped so that it scales and needs no file at run time.
#pragma once

#include <QPixmap>
#include <QSize>

namespace norvane {

// The picture at `size`: an envelope over a dark band with the name below.
QPixmap ProductPicture(QSize size, bool withName);

}  // namespace norvane
