#include "corvane/instruments/instrument_pictures.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace {

struct Picture {
  int id;
  const char* word;  // UTF-8
  enum Kind { kActiveTab, kInactiveTab, kButton } kind;
};

constexpr Picture kPictures[] = {
    {701, "速度", Picture::kActiveTab},          {696, "速度", Picture::kInactiveTab},
    {702, "加速度", Picture::kActiveTab},        {697, "加速度", Picture::kInactiveTab},
    {752, "Speed", Picture::kActiveTab},         {751, "Speed", Picture::kInactiveTab},
    {754, "G-Sensor", Picture::kActiveTab},      {753, "G-Sensor", Picture::kInactiveTab},
    {759, "隐藏地图", Picture::kButton},         {760, "显示地图", Picture::kButton},
    {778, "关于", Picture::kButton},             {767, "隱藏地圖", Picture::kButton},
    {768, "顯示地圖", Picture::kButton},         {779, "關於", Picture::kButton},
    {761, "Hide Map", Picture::kButton},         {762, "Show Map", Picture::kButton},
    {780, "About", Picture::kButton},
};

const Picture* Find(int id) {
  for (const Picture& picture : kPictures) {
    if (picture.id == id) return &picture;
  }
  return nullptr;
}

bool Chinese(int uiLanguage) { return uiLanguage == 1 || uiLanguage == 2; }

// The largest font up to the rectangle's height in which `word` fits.
QFont FittingFont(const QString& word, const QRect& room) {
  QFont font;
  font.setFamilies({"DejaVu Sans", "WenQuanYi Micro Hei", "Noto Sans CJK SC"});
  font.setBold(true);
  constexpr int kSmallest = 6;
  constexpr int kLargest = 12;
  int pixels = std::clamp(room.height() - 4, kSmallest, kLargest);
  font.setPixelSize(pixels);
  while (pixels > kSmallest && QFontMetrics(font).horizontalAdvance(word) > room.width() - 4) {
    font.setPixelSize(--pixels);
  }
  return font;
}

}  // namespace

int SpeedTabPicture(int uiLanguage, bool active) {
  if (Chinese(uiLanguage)) return active ? 701 : 696;
  return active ? 752 : 751;
}

int AccelTabPicture(int uiLanguage, bool active) {
  if (Chinese(uiLanguage)) return active ? 702 : 697;
  return active ? 754 : 753;
}

int MapButtonPicture(int uiLanguage, bool mapShown) {
  switch (uiLanguage) {
    case 1: return mapShown ? 759 : 760;
    case 2: return mapShown ? 767 : 768;
    default: return mapShown ? 761 : 762;
  }
}

int AboutPicture(int uiLanguage) {
  switch (uiLanguage) {
    case 1: return 778;
    case 2: return 779;
    default: return 780;
  }
}

QString PictureWord(int pictureId) {
  const Picture* picture = Find(pictureId);
  return picture != nullptr ? QString::fromUtf8(picture->word) : QString();
}

void PaintInstrumentPicture(QPainter& painter, const QRect& rect, int pictureId, bool pressed) {
  const Picture* picture = Find(pictureId);
  if (picture == nullptr || rect.isEmpty()) return;
  painter.save();
  QColor ink;
  switch (picture->kind) {
    case Picture::kActiveTab:
      painter.fillRect(rect, QColor(214, 224, 236));
      painter.fillRect(rect.left(), rect.top(), rect.width(), 2, QColor(255, 170, 0));
      ink = QColor(10, 30, 60);
      break;
    case Picture::kInactiveTab:
      painter.fillRect(rect, QColor(28, 52, 82));
      ink = QColor(150, 165, 185);
      break;
    case Picture::kButton: {
      QLinearGradient face(rect.topLeft(), rect.bottomLeft());
      face.setColorAt(0, pressed ? QColor(52, 60, 70) : QColor(112, 124, 138));
      face.setColorAt(1, pressed ? QColor(82, 92, 104) : QColor(58, 66, 76));
      painter.fillRect(rect, face);
      painter.setPen(QColor(150, 160, 172));
      painter.drawRect(rect.adjusted(0, 0, -1, -1));
      ink = Qt::white;
      break;
    }
  }
  const QString word = QString::fromUtf8(picture->word);
  painter.setFont(FittingFont(word, rect));
  painter.setPen(ink);
  painter.drawText(rect.translated(pressed ? 1 : 0, pressed ? 1 : 0), Qt::AlignCenter, word);
  painter.restore();
}
