#include "platform/libmapu/map_overlay.h"

#include <array>
#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "platform/libmapu/viewport.h"

namespace mapu {
namespace {

// Label box: its width at most, its distance from the vehicle, its padding.
constexpr double kLabelMaxWidth = 260;
constexpr double kLabelOffset = 16;
constexpr double kLabelPadding = 3;

class LabelDocument final : public QTextDocument {
 public:
  using QTextDocument::QTextDocument;

 protected:
  QVariant loadResource(int type, const QUrl& name) override {
    (void)type;
    (void)name;
    return {};
  }
};

QColor VehicleColour(int icon) {
  static const std::array<QColor, 4> kColours{QColor(30, 100, 220), QColor(20, 140, 60), QColor(200, 120, 0),
                                              QColor(130, 50, 170)};
  return kColours[static_cast<size_t>(icon) % kColours.size()];
}

}  // namespace

std::unique_ptr<QTextDocument> MakeLabelDocument(const QString& html) {
  auto document = std::make_unique<LabelDocument>();
  document->setDocumentMargin(0);
  document->setDefaultStyleSheet(QStringLiteral(".b { font-weight: bold; }"));
  QFont font = document->defaultFont();
  font.setPixelSize(11);
  document->setDefaultFont(font);
  document->setHtml(html);
  document->setTextWidth(-1);
  if (document->idealWidth() > kLabelMaxWidth) document->setTextWidth(kLabelMaxWidth);
  return document;
}

void PaintTrack(QPainter& painter, const Viewport& viewport, const Track& track) {
  if (track.points.size() < 2) return;
  // Points closer than a pixel to the last one kept add nothing visible.
  QPolygonF line;
  line.reserve(static_cast<qsizetype>(std::min<size_t>(track.points.size(), 1 << 16)));
  for (const QPointF& world : track.points) {
    const QPointF p = viewport.toView(world);
    if (!line.isEmpty()) {
      const QPointF d = p - line.last();
      if (QPointF::dotProduct(d, d) < 1.0) continue;
    }
    line.append(p);
  }
  if (line.size() < 2) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(kTrackColour, kTrackWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPolyline(line);
  painter.restore();
}

void PaintMarkers(QPainter& painter, const Viewport& viewport, const Track& track) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  for (const auto& [id, marker] : track.markers) {
    if (!marker.placed) continue;
    const QPointF p = viewport.toView(marker.world);
    // A small flag on a pole whose foot marks the spot.
    painter.setPen(QPen(QColor(40, 40, 40), 1.5));
    painter.drawLine(p, p + QPointF(0, -18));
    QPolygonF flag;
    flag << p + QPointF(0, -18) << p + QPointF(12, -14) << p + QPointF(0, -10);
    painter.setBrush(QColor(20, 160, 60));
    painter.drawPolygon(flag);
    painter.setBrush(Qt::white);
    painter.drawEllipse(p, 2.5, 2.5);
  }
  painter.restore();
}

void PaintVehicle(QPainter& painter, const Viewport& viewport, const Vehicle& vehicle, bool selected) {
  if (!vehicle.placed) return;
  const QPointF p = viewport.toView(vehicle.world);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.translate(p);
  painter.save();
  painter.rotate(45.0 * vehicle.sector);
  // An arrow pointing up (north) before the turn.
  QPolygonF arrow;
  arrow << QPointF(0, -12) << QPointF(8, 9) << QPointF(0, 4) << QPointF(-8, 9);
  painter.setPen(QPen(selected ? Qt::white : QColor(30, 30, 30), 1.5));
  painter.setBrush(VehicleColour(vehicle.icon));
  painter.drawPolygon(arrow);
  painter.restore();

  if (!vehicle.name.isEmpty()) {
    // The name stands above the symbol, elided to the label's width.
    QFont font = painter.font();
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const QString name = metrics.elidedText(vehicle.name, Qt::ElideRight, kLabelMaxWidth);
    painter.setPen(QColor(20, 20, 20));
    painter.drawText(QPointF(-metrics.horizontalAdvance(name) / 2, -16), name);
  }
  QTextDocument* label = vehicle.label.get();
  if (label != nullptr && !label->isEmpty()) {
    const QSizeF size = label->size();
    const QRectF box(kLabelOffset, -size.height() / 2 - kLabelPadding, size.width() + 2 * kLabelPadding,
                     size.height() + 2 * kLabelPadding);
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(QColor(255, 255, 255, 225));
    painter.drawRoundedRect(box, 3, 3);
    painter.translate(box.topLeft() + QPointF(kLabelPadding, kLabelPadding));
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, QColor(20, 20, 20));
    label->documentLayout()->draw(&painter, context);
  }
  painter.restore();
}

}  // namespace mapu
