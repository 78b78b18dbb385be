#include "ui/dialogs/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qn {

QImage ProgramIconImage(int side) {
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // Drawn on a 64 x 64 grid and scaled, so every size shows the same picture.
  p.scale(side / 64.0, side / 64.0);

  // The page.
  p.setPen(QPen(QColor(0, 0, 128), 2.5));
  p.setBrush(QColor(255, 255, 255));
  p.drawRoundedRect(QRectF(6, 4, 46, 56), 5, 5);

  // A list of three records with a sub-list of two below the second; the links between
  // them and the sub-list's link to the right.
  const QColor link(0, 0, 128);
  const QRectF records[] = {{12, 10, 22, 8}, {12, 24, 22, 8}, {24, 36, 22, 8}, {24, 48, 22, 8}};
  p.setPen(QPen(link, 2.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(18, 18), QPointF(18, 24));
  p.drawLine(QPointF(18, 32), QPointF(18, 40));
  p.drawLine(QPointF(18, 40), QPointF(24, 40));
  p.drawLine(QPointF(30, 44), QPointF(30, 48));
  for (int i = 0; i < 4; ++i) {
    p.setPen(QPen(link, 2));
    p.setBrush(i == 1 ? QColor(255, 255, 0) : QColor(200, 214, 240));
    p.drawRect(records[i]);
  }

  // The quill, across the page's right edge.
  QPainterPath quill;
  quill.moveTo(34, 40);
  quill.cubicTo(40, 24, 50, 10, 62, 2);
  quill.cubicTo(60, 16, 50, 30, 34, 40);
  p.setPen(QPen(QColor(120, 60, 0), 1.5));
  p.setBrush(QColor(230, 140, 30));
  p.drawPath(quill);
  p.setPen(QPen(QColor(120, 60, 0), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(34, 40), QPointF(54, 14));
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int side : kProgramIconSizes) icon.addPixmap(QPixmap::fromImage(ProgramIconImage(side)));
  return icon;
}

}  // namespace qn
