#include "corvane/app/corvane_dlg.h"

#include <QPainter>
#include <QTextEdit>
#include <QTimer>

#include "corvane/app/app_icon.h"
#include "corvane/app/language.h"
#include "corvane/app/panel_layout.h"
#include "corvane/app/theme.h"

namespace {

// Construction order of the panels; indexes used by Layout().
enum Panel { kSpeedometer, kMap, kPlayback, kScope, kScopeStrip, kSearch, kFileList };
constexpr std::array<const char*, 7> kPanelNames{
    "CSpeedometer", "CDlgMap",          "CDlgPlayBack", "CScopeDlg",
    "CScopeMenu",   "CDlgSearchPannel", "CDlgFileList"};

constexpr int kCaptionTextId = 509;
constexpr int kStreamInfoTitleId = 470;
constexpr int kLanguageDelayMs = 500;

void Place(QWidget* widget, const PanelRect& rect) {
  widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
}

}  // namespace

CCorvaneDlg::CCorvaneDlg(PlayerSettings& settings, const SettingsFile& file,
                         const StringTable& table, int systemLanguageId,
                         QWidget* parent)
    : QWidget(parent),
      settings_(settings),
      file_(file),
      systemLanguageId_(systemLanguageId),
      context_(std::make_unique<AppContext>(table)) {
  setObjectName("ctl_102");
  setWindowTitle("Corvane Player");
  setWindowIcon(CorvaneIcon());
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  black.setColor(QPalette::WindowText, Qt::white);
  setPalette(black);
  setAutoFillBackground(true);

  for (size_t i = 0; i < panels_.size(); ++i) {
    panels_[i] = new QWidget(this);
    panels_[i]->setObjectName(kPanelNames[i]);
    panels_[i]->setPalette(ThemePalette(settings_.bkColor));
    panels_[i]->setAutoFillBackground(true);
  }
  streamInfo_ = new QTextEdit(this);
  streamInfo_->setObjectName("ctl_464");
  streamInfo_->setReadOnly(true);
  streamInfo_->setStyleSheet("QTextEdit { background: black; color: white; }");

  // The split mode is applied by the playback page; the file keeps it.
  file_.SaveViewMode(settings_.viewMode);
  QTimer::singleShot(kLanguageDelayMs, this, [this] { StartLanguage(); });
}

CCorvaneDlg::~CCorvaneDlg() = default;

void CCorvaneDlg::StartLanguage() {
  ApplyLanguage(StartupLanguage(settings_.langSelect, systemLanguageId_,
                                settings_.gpsFix));
}

void CCorvaneDlg::ApplyLanguage(int uiLanguage) {
  context_->languageIndex = StringTableIndex(uiLanguage);
  settings_.uiLanguage = uiLanguage;
  SetTexts();
  file_.SaveLanguage(settings_);
}

void CCorvaneDlg::SetTexts() {
  streamInfo_->setPlainText(LoadLangString(*context_, kStreamInfoTitleId));
  update();
}

void CCorvaneDlg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Layout();
}

void CCorvaneDlg::Layout() {
  const PanelLayout layout = ComputePanelLayout(0, 0, width(), height());
  Place(panels_[kSearch], layout.search);
  Place(panels_[kFileList], layout.fileList);
  Place(streamInfo_, layout.streamInfo);
  Place(panels_[kMap], layout.map);
  Place(panels_[kSpeedometer], layout.speedometer);
  Place(panels_[kPlayback], layout.playback);
  Place(panels_[kScope], layout.scope);
  Place(panels_[kScopeStrip], layout.scopeStrip);
}

QRect CCorvaneDlg::CaptionTextRect() const {
  return QRect(QPoint(110, 5), QPoint(width() * 50 / 100 + 4, 29));
}

void CCorvaneDlg::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  // Caption band: logo, then the program's name on black.
  QPainter painter(this);
  painter.drawPixmap(QRect(QPoint(2, 2), QPoint(97, 27)),
                     CorvaneIconPixmap(26));
  const QRect band = CaptionTextRect();
  painter.fillRect(band, Qt::black);
  painter.setPen(Qt::white);
  painter.drawText(band, Qt::AlignLeft | Qt::AlignTop,
                   LoadLangString(*context_, kCaptionTextId));
}
