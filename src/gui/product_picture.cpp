#include "gui/product_picture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace norvane {

QPixmap ProductPicture(QSize size, bool withName) {
  QPixmap picture(size);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF area(QPointF(0, 0), QSizeF(size));

  QLinearGradient band(area.topLeft(), area.bottomRight());
  band.setColorAt(0, QColor(0x1f, 0x3a, 0x68));
  band.setColorAt(1, QColor(0x0b, 0x6e, 0x8a));
  painter.fillRect(area, band);

  // The envelope with the strokes of copies leaving it, centred as a group
  // in the upper part.
  const qreal side = std::min(area.width() / 1.5, area.height() * (withName ? 0.6 : 0.75) / 0.66);
  const QRectF envelope((area.width() - side * 1.3) / 2, area.height() * (withName ? 0.12 : 0.17), side,
                        side * 0.66);
  painter.setPen(QPen(QColor(0x1f, 0x3a, 0x68), std::max<qreal>(1, side / 40)));
  painter.setBrush(QColor(0xf4, 0xf1, 0xe8));
  painter.drawRoundedRect(envelope, side / 30, side / 30);
  QPainterPath flap;
  flap.moveTo(envelope.topLeft());
  flap.lineTo(envelope.center().x(), envelope.top() + envelope.height() * 0.55);
  flap.lineTo(envelope.topRight());
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(flap);
  // Copies leaving it: three strokes to the right.
  painter.setPen(QPen(QColor(0xf2, 0xb1, 0x34), std::max<qreal>(1, side / 30), Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 3; ++i) {
    const qreal y = envelope.top() + envelope.height() * (0.3 + 0.2 * i);
    painter.drawLine(QPointF(envelope.right() + side * 0.08, y), QPointF(envelope.right() + side * 0.3, y));
  }

  if (withName) {
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(static_cast<int>(area.height() * 0.16));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, envelope.bottom() + area.height() * 0.04, area.width(), area.height() * 0.22),
                     Qt::AlignCenter, QStringLiteral("Norvane"));
  }
  return picture;
}

}  // namespace norvane
