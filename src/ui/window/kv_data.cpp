#include "ui/window/kv_data.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <string>

#include <optional>
#include <vector>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_reader.h"
#include "commands/list_place.h"
#include "content/display_name.h"
#include "env/text_codec.h"
#include "templates/field_text.h"
#include "templates/template_reader.h"
#include "templates/type_table.h"
#include "ui/dialogs/qt_text.h"

namespace qn {

// ---- Geometry ----------------------------------------------------------------------------

int ListGeometry::RowCountFor(int clipHeight) const {
  if (m_.lineHeight <= 0 || clipHeight <= 0) return 0;
  return std::clamp(clipHeight / m_.lineHeight - 1, 0, kMaxListRows);
}

int32_t ListGeometry::TopIndexFor(int32_t currentIndex, int32_t rowCount) {
  if (currentIndex <= 0) return 0;
  if (rowCount <= 0) return currentIndex;
  return currentIndex >= rowCount ? currentIndex - rowCount + 1 : 0;
}

int ListGeometry::RowAt(int y) const {
  if (y < 0 || m_.lineHeight <= 0) return -1;
  return y / m_.lineHeight;
}

MarkerZone ListGeometry::ZoneAt(int x) const {
  if (x <= m_.width00) return MarkerZone::kLeft;
  if (x <= m_.width0000) return MarkerZone::kRight;
  return MarkerZone::kNone;
}

QRect ListGeometry::LeftMarker(int rowTop) const {
  const int h = m_.charWidth / 2;
  return QRect(h, rowTop + h, 2 * h, 2 * h);
}

QRect ListGeometry::RightMarker(int rowTop) const {
  const int h = m_.charWidth / 2;
  return QRect(m_.width00 + h, rowTop + h, 2 * h, 2 * h);
}

int ListGeometry::ColumnChars(const TemplateField& field) { return field.ShownWidth(); }

// ---- Canvas ------------------------------------------------------------------------------

QFont ListViewFont() {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  return font;
}

tListCanvas::tListCanvas() : slots_(kMaxListRows + 1) { SetFont(ListViewFont()); }

void tListCanvas::SetFont(const QFont& font) {
  font_ = font;
  boldFont_ = font;
  boldFont_.setBold(true);
  const QFontMetrics fm(font_);
  metrics_.lineHeight = std::max(fm.height(), fm.boundingRect(QStringLiteral("jÅ")).height());
  metrics_.charWidth = fm.horizontalAdvance(QLatin1Char('0'));
  metrics_.width00 = fm.horizontalAdvance(QStringLiteral("00"));
  metrics_.width0000 = fm.horizontalAdvance(QStringLiteral("0000"));
}

void tListCanvas::Clear() {
  for (auto& slot : slots_) slot.clear();
  background_ = Brush;
  slot_ = 0;
}

void tListCanvas::BeginSlot(int slot) {
  slot_ = std::clamp(slot, 0, kMaxListRows);
  slots_[slot_].clear();
}

void tListCanvas::FillRect(const QRect& rect, const QColor& color) {
  slots_[slot_].push_back({PaintStep::Kind::kFill, rect, color, {}, false});
}

void tListCanvas::TextOut(const QRect& box, const QString& text, const QColor& color, bool bold) {
  if (text.isEmpty() || box.width() <= 0) return;
  slots_[slot_].push_back({PaintStep::Kind::kText, box, color, text, bold});
}

std::optional<QString> tListCanvas::CutTextAt(const QPoint& point) const {
  for (const auto& slot : slots_) {
    for (const PaintStep& step : slot) {
      if (step.kind != PaintStep::Kind::kText || !step.rect.contains(point)) continue;
      const QFontMetrics metrics(step.bold ? boldFont_ : font_);
      if (metrics.horizontalAdvance(step.text) > step.rect.width()) return step.text;
    }
  }
  return std::nullopt;
}

void tListCanvas::Circle(const QRect& box, const QColor& color, const QColor& outline) {
  slots_[slot_].push_back({PaintStep::Kind::kCircle, box, color, {}, false, outline});
}

void tListCanvas::Render(QPainter& painter) const {
  painter.fillRect(clip_, background_);
  for (const auto& slot : slots_) {
    for (const PaintStep& step : slot) {
      switch (step.kind) {
        case PaintStep::Kind::kFill:
          painter.fillRect(step.rect, step.color);
          break;
        case PaintStep::Kind::kText: {
          painter.save();
          painter.setClipRect(step.rect);
          const QFont& font = step.bold ? boldFont_ : font_;
          painter.setFont(font);
          painter.setPen(step.color);
          painter.drawText(step.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                           QFontMetrics(font).elidedText(step.text, Qt::ElideRight, step.rect.width()));
          painter.restore();
          break;
        }
        case PaintStep::Kind::kCircle:
          painter.save();
          painter.setRenderHint(QPainter::Antialiasing, true);
          painter.setPen(step.outline.isValid() ? step.outline : step.color);
          painter.setBrush(step.color);
          painter.drawEllipse(step.rect);
          painter.restore();
          break;
      }
    }
  }
}

const std::vector<PaintStep>& tListCanvas::Steps(int slot) const {
  return slots_[std::clamp(slot, 0, kMaxListRows)];
}

QStringList tListCanvas::Texts(int slot) const {
  QStringList out;
  for (const PaintStep& step : Steps(slot)) {
    if (step.kind == PaintStep::Kind::kText) out << step.text;
  }
  return out;
}

// ---- Reading the list --------------------------------------------------------------------

namespace {

// The layout of `record`'s template, read once and kept from row to row while the
// template Position and the file stay the same. Null when it cannot be read.
const TemplateLayout* LayoutFor(RecordReader& reader, tCanvasListeRec& cl, const PointerRecord& record) {
  const uint64_t generation = reader.Database().Generation();
  if (!cl.LayoutRead || cl.TemplatePos != record.templatePos || cl.LayoutGeneration != generation) {
    cl.TemplatePos = record.templatePos;
    cl.LayoutGeneration = generation;
    cl.LayoutRead = true;
    cl.Layout = ReadRecordTemplate(reader, record);
  }
  return cl.Layout ? &*cl.Layout : nullptr;
}

// The field values of `record` side by side, from cl.X on.
void DrawValues(RecordReader& reader, const PointerRecord& record, const TemplateLayout& layout,
                tListCanvas& canvas, tCanvasListeRec& cl, const QColor& color) {
  const ListGeometry geometry = canvas.Geometry();
  const int right = canvas.ClipRect().right();
  // The bytes as they stand: a refresh never writes to the file, so the copy from an
  // update source is left to the readers that edit.
  const std::optional<std::vector<uint8_t>> payload = reader.OwnPayload(record, layout.DataLength());
  VisitFieldBytes(layout, payload.value_or(std::vector<uint8_t>()),
                  [&](size_t, const TemplateField& field, std::span<const uint8_t> bytes) {
                    if (cl.X > right || !field.Shown()) return;
                    const int width = geometry.ColumnWidth(field);
                    if (payload) {
                      const QString text = FromUtf8(ShowFieldText(field, bytes, ShowOptions::Table()))
                                               .left(ListGeometry::ColumnChars(field));
                      canvas.TextOut(QRect(cl.X, cl.Y, width - geometry.ColumnGap(), cl.LineHeight), text,
                                     color, false);
                    }
                    cl.X += width;
                  });
}

// The row of `record` at cl.Y on the canvas's brush; Y then moves one row down.
int DrawRecordRow(RecordReader& reader, const PointerRecord& record, tListCanvas& canvas,
                  tCanvasListeRec& cl, bool inBlock) {
  const ListGeometry geometry = canvas.Geometry();
  const QRect clip = canvas.ClipRect();
  canvas.BeginSlot(geometry.RowAt(cl.Y));
  canvas.FillRect(QRect(clip.left(), cl.Y, clip.width(), cl.LineHeight), canvas.Brush);
  cl.X = geometry.TextMargin();
  int result = 1;
  const QRect rest(cl.X, cl.Y, std::max(0, clip.right() + 1 - cl.X), cl.LineHeight);
  if (record.position == 0) {
    canvas.TextOut(rest, QString::fromLatin1(kStartRowText), Qt::black, true);
  } else if (record.templatePos <= 0) {
    const bool navy = record.kind == kKindNamed && record.right != 0;
    canvas.TextOut(rest, FromUtf8(DisplayName(reader, record)), navy ? kNavy : QColor(Qt::black), true);
  } else if (const TemplateLayout* layout = LayoutFor(reader, cl, record)) {
    DrawValues(reader, record, *layout, canvas, cl, inBlock ? kBlockRowColor : QColor(Qt::black));
  } else {
    result = -1;
  }
  if (record.left != 0) canvas.Circle(geometry.LeftMarker(cl.Y), kParentMarkerColor);
  if (record.right != 0) canvas.Circle(geometry.RightMarker(cl.Y), kSubListMarkerColor);
  if (record.kind == kKindGlobalPointer) {
    canvas.Circle(geometry.RightMarker(cl.Y), kGlobalMarkerColor, kGlobalMarkerOutline);
  }
  cl.Y += cl.LineHeight;
  return result;
}

}  // namespace

// ---- Measure and paint -------------------------------------------------------------------

void BuildListView(tDataImageArk& db, tCanvasListeRec& cl, tListCanvas& canvas, ListPlace* place) {
  canvas.Clear();
  cl.Clear();
  const ListGeometry geometry = canvas.Geometry();
  cl.LineHeight = geometry.Metrics().lineHeight;
  cl.CharWidth = geometry.Metrics().charWidth;
  cl.X = geometry.TextMargin();
  cl.RowCount = geometry.RowCountFor(canvas.ClipRect().height());
  if (!db.IsOpen()) {
    if (place != nullptr) place->Forget();
    return;
  }
  // Without a kept place the list is counted from its head.
  ListPlace counted;
  const ListMeasure measure = (place != nullptr ? place : &counted)->Measure(db);
  cl.Count = measure.count;
  cl.CurrentIndex = measure.currentIndex;
  cl.TopIndex = ListGeometry::TopIndexFor(cl.CurrentIndex, cl.RowCount);
}

void PaintListView(tDataImageArk& db, tCanvasListeRec& cl, tListCanvas& canvas, ListPlace* place) {
  if (!db.IsOpen()) return;
  RecordReader reader(db);
  const Datapointer& dp = *db.dp;
  DrawHeaderRow(db, canvas, cl);
  for (int slot = 1; slot <= kMaxListRows; ++slot) canvas.BeginSlot(slot);
  cl.RowPos.fill(0);
  cl.RowInBlock.fill(false);
  cl.DrawnRows = 0;
  cl.Y = cl.LineHeight;
  // Without a kept place the first shown record is walked to from the head.
  ListPlace fromHead;
  ListPlace& at = place != nullptr ? *place : fromHead;
  bool inBlock = false;
  Position top = 0;
  std::optional<PointerRecord> record;
  if (cl.RowCount > 0 && at.RecordAt(db, cl.TopIndex, &top, &inBlock)) record = reader.Record(top);
  for (int i = 0; record && i < cl.RowCount; ++i) {
    const Position position = record->position;
    at.Learn(position, cl.TopIndex + i);
    if (dp.BlockStart() > 0 && position == dp.BlockStart()) inBlock = true;
    cl.RowPos[i] = position;
    cl.RowInBlock[i] = inBlock;
    canvas.Brush = cl.TopIndex + i == cl.CurrentIndex ? kCurrentRowColor : QColor(Qt::white);
    DrawRecordRow(reader, *record, canvas, cl, inBlock);
    cl.DrawnRows = i + 1;
    if (dp.BlockEnd() > 0 && position == dp.BlockEnd()) inBlock = false;
    record = record->down > 0 ? reader.Record(record->down) : std::nullopt;
  }
  canvas.Brush = Qt::white;
}

int DrawHeaderRow(tDataImageArk& db, tListCanvas& canvas, tCanvasListeRec& cl) {
  canvas.BeginSlot(0);
  const QRect clip = canvas.ClipRect();
  canvas.FillRect(QRect(clip.left(), 0, clip.width(), cl.LineHeight), kHeaderColor);
  if (!db.IsOpen()) return 0;
  const PointerRecord current = db.dp->Record();
  if (current.position == 0 || current.templatePos <= 0) return 0;
  RecordReader reader(db);
  const TemplateLayout* layout = LayoutFor(reader, cl, current);
  if (layout == nullptr) return -1;
  const ListGeometry geometry = canvas.Geometry();
  int x = geometry.TextMargin();
  for (const TemplateField& field : layout->Fields) {
    if (x > clip.right()) break;
    if (!field.Shown()) continue;
    const QString name = FromUtf8(Cp1252ToUtf8(field.Name)).left(ListGeometry::ColumnChars(field));
    const int width = geometry.ColumnWidth(field);
    canvas.TextOut(QRect(x, 0, width - geometry.ColumnGap(), cl.LineHeight), name, Qt::white, true);
    x += width;
  }
  return 1;
}

int DrawRow(tDataImageArk& db, tListCanvas& canvas, tCanvasListeRec& cl, bool inBlock) {
  if (!db.IsOpen()) {
    const ListGeometry geometry = canvas.Geometry();
    const QRect clip = canvas.ClipRect();
    canvas.BeginSlot(geometry.RowAt(cl.Y));
    canvas.FillRect(QRect(clip.left(), cl.Y, clip.width(), cl.LineHeight), canvas.Brush);
    cl.X = geometry.TextMargin();
    cl.Y += cl.LineHeight;
    return 1;
  }
  RecordReader reader(db);
  return DrawRecordRow(reader, db.dp->Record(), canvas, cl, inBlock);
}

// ---- Clicks ------------------------------------------------------------------------------

bool SelectRowAt(tDataImageArk& db, tCanvasListeRec& cl, tListCanvas& canvas, int y) {
  if (!db.IsOpen()) return false;
  const int row = canvas.Geometry().RowAt(y);
  if (row <= 0 || row > cl.DrawnRows) return false;
  Datapointer& dp = *db.dp;
  if (dp.Load(cl.RowPos[row - 1]) != 0) return false;  // the record is no longer there

  RecordReader reader(db);
  const int old = cl.CurrentIndex - cl.TopIndex;
  if (old >= 0 && old < cl.DrawnRows && old != row - 1) {
    if (const std::optional<PointerRecord> before = reader.Record(cl.RowPos[old])) {
      canvas.Brush = Qt::white;
      cl.Y = (old + 1) * cl.LineHeight;
      DrawRecordRow(reader, *before, canvas, cl, cl.RowInBlock[old]);
    }
  }
  canvas.Brush = kCurrentRowColor;
  cl.Y = row * cl.LineHeight;
  DrawRecordRow(reader, dp.Record(), canvas, cl, cl.RowInBlock[row - 1]);
  canvas.Brush = Qt::white;
  cl.CurrentIndex = cl.TopIndex + row - 1;
  return true;
}

int ListViewClick(tDataImageArk& db, int x, int y, tCanvasListeRec& cl, tListCanvas& canvas,
                  const std::function<bool()>& followGlobal, ListPlace* place) {
  if (!SelectRowAt(db, cl, canvas, y)) return -1;
  Datapointer& dp = *db.dp;
  bool moved = false;
  switch (canvas.Geometry().ZoneAt(x)) {
    case MarkerZone::kLeft:
      if (dp.Left() != 0) moved = dp.GoLeft() == 0;
      break;
    case MarkerZone::kRight:
      if (dp.Right() != 0) moved = dp.GoRight() == 0;
      if (dp.Kind() == kKindGlobalPointer && followGlobal && followGlobal()) moved = true;
      break;
    case MarkerZone::kNone:
      break;
  }
  if (!moved) return -1;
  BuildListView(db, cl, canvas, place);
  PaintListView(db, cl, canvas, place);
  return 1;
}

}  // namespace qn
