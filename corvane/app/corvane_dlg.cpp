#include "corvane/app/corvane_dlg.h"

#include <QAbstractSpinBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

#include "corvane/app/about_dlg.h"
#include "corvane/app/app_icon.h"
#include "corvane/app/language.h"
#include "corvane/app/panel_layout.h"
#include "corvane/app/playback_link.h"
#include "corvane/app/window_messages.h"
#include "corvane/instruments/scope_dlg.h"
#include "corvane/instruments/scope_menu.h"
#include "corvane/instruments/speedometer.h"
#include "corvane/playback/dlg_map.h"
#include "corvane/playback/dlg_play_back.h"
#include "corvane/search/dlg_file_list.h"
#include "corvane/search/dlg_search_pannel.h"

namespace {

// Indexes of the panels, used by Layout().
enum Panel { kSpeedometer, kMap, kPlayback, kScope, kScopeStrip, kSearch, kFileList };

constexpr int kAboutItemId = 1;
constexpr int kCaptionTextId = 509;
constexpr int kStreamInfoTitleId = 470;
constexpr int kLanguageDelayMs = 500;
constexpr int kCaptionBandHeight = 30;
constexpr int kMapSelectBaidu = 3;
constexpr int kMapSelectGoogle = 0;

void Place(QWidget* widget, const PanelRect& rect) {
  widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
}

// Keys the window hands to the control bar wherever they are pressed.
bool IsPlaybackKey(int key) {
  return key == Qt::Key_Escape || key == Qt::Key_Space || key == Qt::Key_Left ||
         key == Qt::Key_Right || key == Qt::Key_Down;
}

// Fields where the arrows and Space edit text; they keep their keys.
bool EditsText(const QObject* receiver) {
  if (const auto* line = qobject_cast<const QLineEdit*>(receiver)) {
    return !line->isReadOnly();
  }
  if (const auto* text = qobject_cast<const QTextEdit*>(receiver)) {
    return !text->isReadOnly();
  }
  if (const auto* plain = qobject_cast<const QPlainTextEdit*>(receiver)) {
    return !plain->isReadOnly();
  }
  if (const auto* combo = qobject_cast<const QComboBox*>(receiver)) {
    return combo->isEditable();
  }
  return qobject_cast<const QAbstractSpinBox*>(receiver) != nullptr;
}

// Character ranges of the stream-information box that are set larger and
// green when the box is first filled.
struct CharRange {
  int first;
  int last;
};
constexpr std::array<CharRange, 2> kHighlightedRanges{{{10, 50}, {120, 200}}};

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
  context_->mainWindow = this;
  context_->settingsFile = &file_;

  // The map first; later panels may reach the earlier ones as they start.
  auto* map = new CDlgMap(settings_, *context_, this);
  context_->map = map;
  panels_[kMap] = map;
  auto* speedometer = new CSpeedometer(settings_, *context_, this);
  context_->speedometer = speedometer;
  panels_[kSpeedometer] = speedometer;
  auto* scope = new CScopeDlg(settings_, *context_, this);
  context_->scope = scope;
  panels_[kScope] = scope;
  panels_[kScopeStrip] = new CScopeMenu(settings_, *scope, this);
  panels_[kSearch] = new CDlgSearchPannel(settings_, *context_, this);
  panels_[kPlayback] = new CDlgPlayBack(settings_, *context_, this);
  panels_[kFileList] = new CDlgFileList(settings_, *context_, this);
  context_->applyLanguage = [this](int uiLanguage) { ApplyLanguage(uiLanguage); };
  SetUpStreamInfo();

  // The split mode is applied by the playback page; the file keeps it.
  file_.SaveViewMode(settings_.viewMode);
  QTimer::singleShot(kLanguageDelayMs, this, [this] { StartLanguage(); });
  qApp->installEventFilter(this);
}

CCorvaneDlg::~CCorvaneDlg() = default;

void CCorvaneDlg::SetUpStreamInfo() {
  streamInfo_ = new QTextEdit(this);
  streamInfo_->setObjectName("ctl_464");
  streamInfo_->setReadOnly(true);
  QFont font;
  font.setFamilies({"SimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC"});
  font.setPixelSize(14);
  font.setWeight(QFont::Normal);
  streamInfo_->setFont(font);
  streamInfo_->setStyleSheet("QTextEdit { background: black; color: white; }");
  streamInfo_->setPlainText(LoadLangString(*context_, kStreamInfoTitleId));

  // Only text already present takes the highlight.
  const int length = streamInfo_->document()->characterCount() - 1;
  QTextCharFormat highlight;
  highlight.setFontPointSize(15);
  highlight.setForeground(QColor(0, 255, 0));
  highlight.setFontFamilies({"SimSun", "WenQuanYi Micro Hei"});
  for (const CharRange& range : kHighlightedRanges) {
    if (range.first >= length) continue;
    QTextCursor cursor(streamInfo_->document());
    cursor.setPosition(range.first);
    cursor.setPosition(std::min(range.last, length), QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(highlight);
  }
  streamInfo_->moveCursor(QTextCursor::End);
  streamInfo_->verticalScrollBar()->setValue(streamInfo_->verticalScrollBar()->maximum());
}

void CCorvaneDlg::SetStreamInfo(const QString& text) { streamInfo_->setPlainText(text); }

void CCorvaneDlg::SetStoragePath(const QString& path) {
  context_->storagePath = path;
  context_->fileList->OfferStartPath(path);
}

void CCorvaneDlg::ShowOnWorkArea() {
  pinnedToWorkArea_ = true;
  if (const QScreen* target = screen()) setGeometry(target->availableGeometry());
  showMaximized();
}

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
  context_->searchPanel->RetextSearchPanel();
  context_->fileList->RetextFileList();
  static_cast<CDlgPlayBack*>(panels_[kPlayback])->Retext();
  context_->speedometer->RetextSpeedometerPanel();
  context_->speedometer->ApplyLanguagePictures(settings_.uiLanguage);
  static_cast<CScopeMenu*>(panels_[kScopeStrip])->ApplyLanguage(settings_.uiLanguage);
  update();
}

void CCorvaneDlg::ChangeMapProvider(int entry) {
  file_.SaveMapSelect(entry == 1 ? kMapSelectBaidu : kMapSelectGoogle);
  restartOnExit_ = true;
  QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CCorvaneDlg::SetMapShown(bool shown) {
  mapHidden_ = !shown;
  Layout();
  update();
}

void CCorvaneDlg::ShowAbout() {
  CAboutDlg about(*context_, this);
  about.exec();
}

bool CCorvaneDlg::event(QEvent* event) {
  if (event->type() == kCaptionRedrawEvent) {
    update(0, 0, width(), kCaptionBandHeight);
    return true;
  }
  return QWidget::event(event);
}

bool CCorvaneDlg::RoutesKey(QObject* receiver, int key) const {
  if (!IsPlaybackKey(key) || context_->playback == nullptr) return false;
  const auto* widget = qobject_cast<const QWidget*>(receiver);
  if (widget == nullptr || widget->window() != this || EditsText(widget)) {
    return false;
  }
  const QWidget* bar = context_->playback->ControlBar();
  return bar != nullptr && widget != bar && !bar->isAncestorOf(widget);
}

bool CCorvaneDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (!RoutesKey(watched, key->key())) return false;
  QKeyEvent routed(QEvent::KeyPress, key->key(), key->modifiers(), key->text(),
                   key->isAutoRepeat(), static_cast<quint16>(key->count()));
  QCoreApplication::sendEvent(context_->playback->ControlBar(), &routed);
  return true;
}

void CCorvaneDlg::closeEvent(QCloseEvent* event) {
  PlaybackLink* playback = context_->playback;
  if (playback != nullptr) {
    // An entry being opened on its own thread must finish first; the
    // operator closes again later.
    if (playback->IsOpeningEntry()) {
      event->ignore();
      return;
    }
    playback->Stop();
    if (playback->IsFullScreen()) {
      event->ignore();
      if (QWidget* bar = playback->ControlBar()) {
        QCoreApplication::postEvent(
            bar, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
      }
      update();
      return;
    }
  }
  event->accept();
}

void CCorvaneDlg::contextMenuEvent(QContextMenuEvent* event) {
  // The caption band carries the window menu: on this desktop there is no
  // system menu to add the About item to.
  const QString about = context_->strings.Text(0, kAboutItemId);
  if (event->pos().y() >= kCaptionBandHeight || about.isEmpty()) {
    QWidget::contextMenuEvent(event);
    return;
  }
  QMenu menu(this);
  menu.setObjectName("ctl_system_menu");
  menu.addSeparator();
  menu.addAction(about, this, &CCorvaneDlg::ShowAbout);
  menu.exec(event->globalPos());
}

void CCorvaneDlg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Layout();
}

void CCorvaneDlg::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (!pinnedToWorkArea_ || isMinimized() || screen() == nullptr) return;
  if (frameGeometry().topLeft() != screen()->availableGeometry().topLeft()) {
    QTimer::singleShot(0, this, [this] { ShowOnWorkArea(); });
  }
}

void CCorvaneDlg::Layout() {
  const PanelLayout layout = ComputePanelLayout(0, 0, width(), height());
  Place(panels_[kSearch], layout.search);
  Place(panels_[kFileList], layout.fileList);
  context_->fileList->SetColumnWidths(kFileListColumnWidths);
  Place(streamInfo_, layout.streamInfo);
  Place(panels_[kMap], layout.map);
  Place(panels_[kSpeedometer], layout.speedometer);
  Place(panels_[kScope], layout.scope);
  Place(panels_[kScopeStrip], layout.scopeStrip);

  // The video area may cover the rest: in full-screen mode everything,
  // with the telemetry hidden the right-hand column and the charts.
  const PlaybackLink* playback = context_->playback;
  const bool fullScreen = playback != nullptr && playback->IsFullScreen();
  const bool wide = playback != nullptr && playback->TelemetryHidden();
  for (QWidget* side : {panels_[kSearch], panels_[kFileList], static_cast<QWidget*>(streamInfo_)})
    side->setVisible(!fullScreen);
  for (QWidget* telemetry : {panels_[kScope], panels_[kSpeedometer], panels_[kScopeStrip], panels_[kMap]})
    telemetry->setVisible(!fullScreen && !wide);
  if (mapHidden_) panels_[kMap]->hide();
  if (fullScreen) {
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    const int screenWidth = screen() != nullptr ? screen()->geometry().width() : width();
    Place(panels_[kPlayback],
          FullScreenRect(frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1, client.left(),
                         client.top(), client.right() + 1, screenWidth,
                         style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this)));
  } else if (wide) {
    Place(panels_[kPlayback], WideVideoRect(0, 0, width(), height(), context_->osVersionCode));
  } else if (mapHidden_) {
    // The map's column goes to the video, below the caption band as usual.
    PanelRect page = layout.playback;
    page.width = width() - page.x - 5;
    Place(panels_[kPlayback], page);
  } else {
    Place(panels_[kPlayback], layout.playback);
  }
  panels_[kPlayback]->raise();
}

QRect CCorvaneDlg::CaptionTextRect() const {
  return QRect(QPoint(110, 5), QPoint(width() * 50 / 100 + 4, 29));
}

void CCorvaneDlg::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (context_->playback != nullptr && context_->playback->IsFullScreen()) return;
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
