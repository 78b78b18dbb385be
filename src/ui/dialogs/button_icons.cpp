#include "ui/dialogs/button_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <cmath>

namespace qn {
namespace {

constexpr int kSide = 20;
const QColor kArrow(0, 0, 128);     // navy, as the view's sub-list marker
const QColor kPaper(255, 255, 255);
const QColor kInk(64, 64, 64);
const QColor kRed(192, 0, 0);
const QColor kGreen(0, 128, 0);

// A line from `from` to `to` with a filled head at `to`.
void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color, double width = 2.5) {
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
  const QPointF d = to - from;
  const double len = std::hypot(d.x(), d.y());
  if (len <= 0) return;
  const QPointF u(d.x() / len, d.y() / len);
  const QPointF n(-u.y(), u.x());
  const double head = 5.0;
  p.drawLine(from, to - u * (head * 0.8));
  QPolygonF tip;
  tip << to << to - u * head + n * (head * 0.75) << to - u * head - n * (head * 0.75);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(tip);
  p.setBrush(Qt::NoBrush);
}

// A sheet of paper with a folded corner.
void Page(QPainter& p, QRectF r) {
  QPainterPath path;
  const double fold = 4;
  path.moveTo(r.topLeft());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.bottomRight());
  path.lineTo(r.bottomLeft());
  path.closeSubpath();
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawPath(path);
  p.setBrush(Qt::NoBrush);
}

void TextLines(QPainter& p, QRectF r) {
  p.setPen(QPen(QColor(128, 128, 128), 1));
  for (double y = r.top() + 4; y < r.bottom() - 1; y += 3) {
    p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
  }
}

void Clipboard(QPainter& p, QRectF r) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(205, 160, 90));
  p.drawRoundedRect(r, 1.5, 1.5);
  p.setBrush(kPaper);
  p.drawRect(r.adjusted(2, 3, -2, -2));
  p.setBrush(QColor(160, 160, 160));
  p.drawRect(QRectF(r.center().x() - 3, r.top() - 1, 6, 3));
  p.setBrush(Qt::NoBrush);
}

void Flag(QPainter& p, QPointF foot, const QColor& color) {
  p.setPen(QPen(kInk, 1.5));
  p.drawLine(foot, foot - QPointF(0, 15));
  QPolygonF cloth;
  cloth << foot - QPointF(0, 15) << foot + QPointF(9, -12) << foot - QPointF(0, 9);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(cloth);
  p.setBrush(Qt::NoBrush);
}

void Bar(QPainter& p, double y) {
  p.setPen(QPen(kArrow, 2.5, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(4, y), QPointF(16, y));
}

void Box(QPainter& p) {
  p.setPen(QPen(kInk, 1.2));
  p.drawRect(QRectF(9.5, 4.5, 8, 11));
}

void Link(QPainter& p, QPointF centre) {
  p.setPen(QPen(kGreen, 1.8));
  p.drawRoundedRect(QRectF(centre.x() - 6, centre.y() - 2.5, 7, 5), 2.5, 2.5);
  p.drawRoundedRect(QRectF(centre.x() - 1, centre.y() - 2.5, 7, 5), 2.5, 2.5);
}

void Draw(QPainter& p, ButtonPicture picture) {
  switch (picture) {
    case ButtonPicture::kFirstData: {
      QPolygonF roof;
      roof << QPointF(10, 2) << QPointF(18, 9) << QPointF(2, 9);
      p.setPen(Qt::NoPen);
      p.setBrush(kRed);
      p.drawPolygon(roof);
      p.setBrush(kPaper);
      p.setPen(QPen(kInk, 1));
      p.drawRect(QRectF(4.5, 9.5, 11, 8));
      p.setBrush(kArrow);
      p.drawRect(QRectF(8.5, 12.5, 3, 5));
      break;
    }
    case ButtonPicture::kListFirst:
      Bar(p, 3);
      Arrow(p, {10, 17}, {10, 5}, kArrow);
      break;
    case ButtonPicture::kDown:
      Arrow(p, {10, 3}, {10, 17}, kArrow);
      break;
    case ButtonPicture::kUp:
      Arrow(p, {10, 17}, {10, 3}, kArrow);
      break;
    case ButtonPicture::kListLast:
      Bar(p, 17);
      Arrow(p, {10, 3}, {10, 15}, kArrow);
      break;
    case ButtonPicture::kLeft:
      Arrow(p, {17, 10}, {3, 10}, kRed);
      break;
    case ButtonPicture::kRight:
      Arrow(p, {3, 10}, {17, 10}, kArrow);
      break;
    case ButtonPicture::kInward:
      Box(p);
      Arrow(p, {1, 10}, {15, 10}, kGreen);
      break;
    case ButtonPicture::kOutward:
      Box(p);
      Arrow(p, {12, 10}, {1, 10}, kGreen);
      break;
    case ButtonPicture::kOpenDocument:
      Page(p, {4.5, 2.5, 11, 15});
      TextLines(p, {4.5, 4.5, 11, 13});
      break;
    case ButtonPicture::kNewData:
      Page(p, {2.5, 2.5, 11, 15});
      TextLines(p, {2.5, 4.5, 11, 13});
      p.setPen(QPen(kGreen, 2.5, Qt::SolidLine, Qt::FlatCap));
      p.drawLine(QPointF(15, 10), QPointF(15, 18));
      p.drawLine(QPointF(11, 14), QPointF(19, 14));
      break;
    case ButtonPicture::kLinkDocument:
      Page(p, {2.5, 2.5, 11, 15});
      TextLines(p, {2.5, 4.5, 11, 13});
      Link(p, {13, 14});
      break;
    case ButtonPicture::kDelete:
      p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(5, 5), QPointF(15, 15));
      p.drawLine(QPointF(15, 5), QPointF(5, 15));
      break;
    case ButtonPicture::kMark:
      Flag(p, {6, 18}, kRed);
      break;
    case ButtonPicture::kCopy:
      Page(p, {2.5, 2.5, 10, 12});
      Page(p, {7.5, 6.5, 10, 12});
      break;
    case ButtonPicture::kCut:
      p.setPen(QPen(kInk, 1.5));
      p.drawLine(QPointF(6, 2), QPointF(13, 13));
      p.drawLine(QPointF(14, 2), QPointF(7, 13));
      p.setPen(QPen(kRed, 1.8));
      p.drawEllipse(QPointF(6, 15.5), 2.8, 2.8);
      p.drawEllipse(QPointF(14, 15.5), 2.8, 2.8);
      break;
    case ButtonPicture::kPaste:
      Clipboard(p, {3.5, 3.5, 13, 15});
      TextLines(p, {5.5, 6.5, 9, 11});
      break;
    case ButtonPicture::kPastePointer:
      Clipboard(p, {2.5, 3.5, 12, 15});
      Arrow(p, {9, 12}, {19, 12}, kArrow, 2);
      break;
    case ButtonPicture::kBlockFirst:
      p.setPen(QPen(kRed, 2.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
      p.drawPolyline(QPolygonF() << QPointF(12, 3) << QPointF(6, 3) << QPointF(6, 17)
                                 << QPointF(12, 17));
      break;
    case ButtonPicture::kBlockLast:
      p.setPen(QPen(kRed, 2.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
      p.drawPolyline(QPolygonF() << QPointF(8, 3) << QPointF(14, 3) << QPointF(14, 17)
                                 << QPointF(8, 17));
      break;
    case ButtonPicture::kPopMark:
      Flag(p, {5, 18}, kRed);
      Arrow(p, {19, 15}, {9, 15}, kArrow, 2);
      break;
    case ButtonPicture::kPasteAllPointers:
      Clipboard(p, {1.5, 2.5, 10, 12});
      Clipboard(p, {8.5, 6.5, 10, 12});
      break;
    case ButtonPicture::kLinkRight:
      Arrow(p, {2, 8}, {17, 8}, kArrow, 2);
      Link(p, {10, 15});
      break;
  }
}

}  // namespace

QIcon ButtonIcon(ButtonPicture picture) {
  QPixmap pixmap(kSide, kSide);
  pixmap.fill(Qt::transparent);
  {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Draw(painter, picture);
  }
  return QIcon(pixmap);
}

}  // namespace qn
