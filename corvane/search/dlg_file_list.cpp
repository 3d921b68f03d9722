#include "corvane/search/dlg_file_list.h"

#include <QDateTimeEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QTableWidget>

#include <algorithm>

#include "brisca/api/brisca.h"
#include "corvane/app/app_context.h"
#include "corvane/app/notice.h"
#include "corvane/app/playback_link.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/theme.h"
#include "corvane/app/window_messages.h"
#include "corvane/controls/button_st.h"
#include "corvane/controls/ex_static.h"
#include "corvane/search/dlg_progress.h"
#include "corvane/search/dlg_search_pannel.h"
#include "corvane/search/file_list_cells.h"
#include "corvane/search/search_filter.h"

namespace {

constexpr int kFontPixels = 11;

const QColor kPanelColour(88, 92, 95);
const QColor kListColour(123, 140, 168);

constexpr int kWindowSeconds = 7776000;  // 90 days
constexpr int kRowHeight = 16;
// The search buttons start 100 pixels apart; they take all but 2 of them
// so that their texts stay legible in every language.
constexpr int kSearchButtonWidth = 98;

constexpr int kStopPlayFirstId = 608;
constexpr int kNoDiskId = 621;
constexpr int kSearchFailedId = 600;
constexpr int kNothingFoundId = 619;
constexpr int kSearchingId = 613;
constexpr int kSelectDirId = 607;
constexpr int kLocalFolderId = 635;
constexpr int kLocalImageId = 636;
constexpr int kLocalRefusedId = 637;
constexpr int kDriveDeniedId = 638;

constexpr int kHeaderIds[kFileListColumns] = {477, 481, 476, 478, 602, 479};
// Column widths as percentages of the panel's width before the main
// window's layout fixes them.
constexpr int kColumnShares[kFileListColumns] = {10, 18, 18, 18, 13, 12};
constexpr int kPageLabelIds[3] = {486, 487, 488};
constexpr int kPageLabelObjects[3] = {484, 486, 487};
constexpr int kPagingIds[4] = {482, 483, 484, 485};
constexpr int kPagingObjects[4] = {226, 225, 231, 230};

// The file list being searched, for the library's progress callback (which
// carries no pointer-sized argument).
QPointer<CDlgProgress>& SearchProgress() {
  static QPointer<CDlgProgress> progress;
  return progress;
}

void BRISCA_CALL OnSearchProgress(int32_t percent, int32_t) {
  if (CDlgProgress* progress = SearchProgress()) progress->SetPos(static_cast<int>(percent * 0.9));
}

QString ObjectName(int id) { return QString("ctl_%1").arg(id); }

CExStatic* MakeLabel(QWidget* parent, int id) {
  auto* label = new CExStatic(parent);
  label->setObjectName(ObjectName(id));
  return label;
}

CButtonST* MakeButton(QWidget* parent, int id) {
  auto* button = new CButtonST(parent);
  button->setObjectName(ObjectName(id));
  return button;
}

QDateTimeEdit* MakePicker(QWidget* parent, int id, const QDateTime& value) {
  auto* picker = new QDateTimeEdit(value, parent);
  picker->setObjectName(ObjectName(id));
  picker->setDisplayFormat("yyyy-MM-dd HH:mm:ss");
  picker->setCalendarPopup(true);
  return picker;
}

QLineEdit* MakePageField(QWidget* parent, int id) {
  auto* field = new QLineEdit("1", parent);
  field->setObjectName(ObjectName(id));
  field->setReadOnly(true);
  field->setFrame(false);
  field->setAlignment(Qt::AlignCenter);
  field->setTextMargins(0, 0, 0, 0);
  field->setStyleSheet("QLineEdit { background: transparent; color: white; padding: 0; }");
  return field;
}

}  // namespace

CDlgFileList::CDlgFileList(const PlayerSettings& settings, AppContext& context, QWidget* parent)
    : QWidget(parent), settings_(settings), context_(context) {
  setObjectName("CDlgFileList");
  UsePanelTheme(*this, settings.bkColor);
  context_.fileList = this;
  // The fixed layout is drawn for a small dialog font.
  QFont small = font();
  small.setPixelSize(kFontPixels);
  setFont(small);
  playingMarks_.fill(-1);

  beginLabel_ = MakeLabel(this, 549);
  endLabel_ = MakeLabel(this, 550);
  const QDateTime now = QDateTime::currentDateTime();
  startPicker_ = MakePicker(this, 554, now.addSecs(-kWindowSeconds));
  endPicker_ = MakePicker(this, 555, now);
  diskSearch_ = MakeButton(this, 228);
  localSearch_ = MakeButton(this, 233);
  export_ = MakeButton(this, 232);
  // The export of listed recordings is not offered yet.
  export_->hide();
  connect(diskSearch_, &QPushButton::clicked, this, &CDlgFileList::DiskSearch);
  connect(localSearch_, &QPushButton::clicked, this, &CDlgFileList::ChooseLocalSource);

  list_ = new QTableWidget(0, kFileListColumns, this);
  list_->setObjectName(ObjectName(227));
  list_->setShowGrid(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  list_->verticalHeader()->setMinimumSectionSize(kRowHeight);
  list_->horizontalHeader()->setHighlightSections(false);
  QPalette colours = list_->palette();
  const QColor background = IsDarkTheme(settings.bkColor) ? QColor(Qt::black) : kListColour;
  colours.setColor(QPalette::Base, background);
  colours.setColor(QPalette::Text, Qt::white);
  list_->setPalette(colours);
  connect(list_, &QTableWidget::cellClicked, this, [this](int row, int) { ClickRow(row); });
  connect(list_, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int) { DoubleClickRow(row); });

  for (int i = 0; i < 3; ++i) pageLabels_[i] = MakeLabel(this, kPageLabelObjects[i]);
  pageNumber_ = MakePageField(this, 336);
  pageCount_ = MakePageField(this, 337);
  for (int i = 0; i < 4; ++i) {
    pagingButtons_[i] = MakeButton(this, kPagingObjects[i]);
    pagingButtons_[i]->SetTransparent(true);
  }
  connect(pagingButtons_[0], &QPushButton::clicked, this, &CDlgFileList::First);
  connect(pagingButtons_[1], &QPushButton::clicked, this, &CDlgFileList::Previous);
  connect(pagingButtons_[2], &QPushButton::clicked, this, &CDlgFileList::Next);
  connect(pagingButtons_[3], &QPushButton::clicked, this, &CDlgFileList::Last);

  progress_ = new CDlgProgress(this);
  progress_->SetRange(0, 100);

  const int width = std::max(1, this->width());
  for (int c = 0; c < kFileListColumns; ++c) {
    columnWidths_[static_cast<size_t>(c)] = width * kColumnShares[c] / 100;
  }
  FitColumns();
  RetextFileList();
}

void CDlgFileList::RetextFileList() {
  QStringList headers;
  for (int id : kHeaderIds) headers << LoadLangString(context_, id);
  list_->setHorizontalHeaderLabels(headers);
  beginLabel_->SetText(LoadLangString(context_, 522));
  endLabel_->SetText(LoadLangString(context_, 523));
  diskSearch_->SetText(LoadLangString(context_, 502));
  localSearch_->SetText(LoadLangString(context_, 504));
  export_->SetText(LoadLangString(context_, 503));
  for (int i = 0; i < 3; ++i) pageLabels_[i]->SetText(LoadLangString(context_, kPageLabelIds[i]));
  for (int i = 0; i < 4; ++i) pagingButtons_[i]->SetText(LoadLangString(context_, kPagingIds[i]));
  // The rows' type names follow the language too.
  if (list_->rowCount() > 0) {
    paging_.cursor = paging_.GlobalIndex(0);
    LoadPage();
  }
}

void CDlgFileList::SetColumnWidths(const int (&widths)[6]) {
  std::copy(std::begin(widths), std::end(widths), columnWidths_.begin());
  FitColumns();
}

void CDlgFileList::FitColumns() {
  // A column grows to show its cells whole, never below its set width.
  for (int c = 0; c < kFileListColumns; ++c) {
    const int content = list_->rowCount() > 0 ? static_cast<QAbstractItemView*>(list_)->sizeHintForColumn(c) : 0;
    list_->setColumnWidth(c, std::max(columnWidths_[static_cast<size_t>(c)], content));
  }
}

void CDlgFileList::OfferStartPath(const QString& path) { pendingStartPath_ = path; }

bool CDlgFileList::Playing() const {
  return context_.playback != nullptr && context_.playback->IsPlaying();
}

bool CDlgFileList::Busy() const {
  return searching_ || (context_.playback != nullptr && context_.playback->IsOpeningEntry());
}

const NvrSearchResult* CDlgFileList::EnumerateDisks() {
  if (Playing()) {
    ShowNotice(this, LoadLangString(context_, kStopPlayFirstId), NoticeIcon::kWarning);
    return nullptr;
  }
  if (Busy()) return nullptr;
  if (context_.searchPanel != nullptr) {
    if (const NvrSearchResult* chosen = context_.searchPanel->GetSelectedDisk()) return chosen;
  }
  diskBuffer_.fill(NvrSearchResult{});
  const int found = std::clamp(NVR_SearchSD(-1, diskBuffer_.data()), 0, kDiskBufferSlots);
  if (context_.searchPanel != nullptr) context_.searchPanel->FillDiskList(diskBuffer_.data(), found);
  if (found > 0) return &diskBuffer_[0];
  // A disk the account may not read is not "no disk": say what to do.
  char denied[512] = {};
  if (NVR_GetDeniedDrives(denied, sizeof denied) > 0) {
    ShowNotice(this, LoadLangString(context_, kDriveDeniedId).arg(QString::fromLocal8Bit(denied)),
               NoticeIcon::kWarning);
  } else {
    ShowNotice(this, LoadLangString(context_, kNoDiskId), NoticeIcon::kWarning);
  }
  return nullptr;
}

void CDlgFileList::DiskSearch() {
  const NvrSearchResult* disk = EnumerateDisks();
  if (disk == nullptr) return;
  if (NVR_SearchSD(disk->drive_index, nullptr) != 1) {
    ShowNotice(this, LoadLangString(context_, kNoDiskId), NoticeIcon::kWarning);
    return;
  }
  context_.localSource = 0;
  RunSearch(false);
}

void CDlgFileList::ChooseLocalSource() {
  if (Playing()) {
    ShowNotice(this, LoadLangString(context_, kStopPlayFirstId), NoticeIcon::kWarning);
    return;
  }
  if (Busy()) return;
  if (!pendingStartPath_.isEmpty()) {
    // The source the program was started on lists with one click.
    const QString path = std::exchange(pendingStartPath_, QString());
    LocalSearch(path);
    return;
  }
  const QString start = QFileInfo(context_.storagePath).absolutePath();
  QMenu menu(this);
  const QAction* folder = menu.addAction(LoadLangString(context_, kLocalFolderId));
  const QAction* image = menu.addAction(LoadLangString(context_, kLocalImageId));
  const QAction* chosen = menu.exec(localSearch_->mapToGlobal(QPoint(0, localSearch_->height())));
  QString path;
  if (chosen == folder) {
    path = QFileDialog::getExistingDirectory(this, LoadLangString(context_, kSelectDirId), start);
  } else if (chosen == image) {
    path = QFileDialog::getOpenFileName(this, LoadLangString(context_, kLocalImageId), start);
  }
  if (!path.isEmpty()) LocalSearch(path);
}

void CDlgFileList::LocalSearch(const QString& path) {
  if (Playing()) {
    ShowNotice(this, LoadLangString(context_, kStopPlayFirstId), NoticeIcon::kWarning);
    return;
  }
  if (Busy()) return;
  NVR_SetDir(QFileInfo(path).absoluteFilePath().toLocal8Bit().constData(), 0);
  if (!RunSearch(true)) return;
  context_.storagePath = path;
  context_.localSource = 1;
}

WindowTime CDlgFileList::PickerTime(const QDateTimeEdit& picker) const {
  const QDateTime value = picker.dateTime();
  const QDate date = value.date();
  const QTime time = value.time();
  return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

void CDlgFileList::SetTimeWindow(const WindowTime& start, const WindowTime& end) {
  startPicker_->setDateTime(QDateTime(QDate(start.year, start.month, start.day),
                                      QTime(start.hour, start.minute, start.second)));
  endPicker_->setDateTime(
      QDateTime(QDate(end.year, end.month, end.day), QTime(end.hour, end.minute, end.second)));
}

bool CDlgFileList::RunSearch(bool local) {
  searching_ = true;
  progress_->SetText(LoadLangString(context_, kSearchingId));
  progress_->SetPos(0);
  progress_->show();
  progress_->repaint();
  const WindowTime start = PickerTime(*startPicker_);
  const WindowTime end = PickerTime(*endPicker_);

  RecFileParam* records = nullptr;
  SearchProgress() = progress_;
  const int count = NVR_GetFileParam(&records, OnSearchProgress, 0);
  SearchProgress() = nullptr;
  if (local && records == nullptr) {
    // Not a source the library can list: the list stays as it was.
    progress_->hide();
    searching_ = false;
    ShowNotice(this, LoadLangString(context_, kLocalRefusedId), NoticeIcon::kWarning);
    return false;
  }

  currentEntry_.reset();
  list_->setRowCount(0);
  full_.clear();
  // Without an array the listing failed, whatever the count says.
  if (records != nullptr && count > 0) CollectEntries(records, count, start, end, full_);
  NVR_FreeFileParam(records);
  if (records == nullptr || (count < 0 && !local)) {
    ShowNotice(this, LoadLangString(context_, kSearchFailedId), NoticeIcon::kWarning);
  } else if (count <= 0) {
    ShowNotice(this, LoadLangString(context_, kNothingFoundId), NoticeIcon::kNone);
  }

  progress_->SetPos(90);
  SortFileList(full_);
  progress_->SetPos(95);
  paging_.currentPage = 0;
  if (context_.searchPanel != nullptr) {
    context_.searchPanel->ApplySearchFilter();
  } else {
    Refilter(kAllTypesIndex, 0);
  }
  progress_->SetPos(100);
  progress_->hide();
  RefreshPageFields();
  searching_ = false;
  return true;
}

const std::vector<FileListEntry>& CDlgFileList::ShownList() const {
  const CDlgSearchPannel* panel = context_.searchPanel;
  const bool full = panel == nullptr || ShowsFullList(panel->recordTypeIndex(), panel->channelIndex());
  return full ? full_ : filtered_;
}

void CDlgFileList::Refilter(int typeIndex, int channelIndex) {
  filtered_ = FilterEntries(full_, typeIndex, channelIndex);
  list_->setRowCount(0);
  const std::vector<FileListEntry>& shown =
      ShowsFullList(typeIndex, channelIndex) ? full_ : filtered_;
  paging_.Reset(static_cast<int>(shown.size()));
  LoadPage();
}

void CDlgFileList::LoadPage() {
  const std::vector<FileListEntry>& shown = ShownList();
  list_->setUpdatesEnabled(false);
  list_->setRowCount(0);
  const int count = static_cast<int>(shown.size());
  for (int row = 0; row < paging_.rowsPerPage && paging_.cursor < count; ++row) {
    WriteRow(row, shown[static_cast<size_t>(paging_.cursor)]);
    ++paging_.cursor;
  }
  FitColumns();
  MarkPlayingEntries();
  HighlightPlayingRows();
  RefreshPageFields();
  list_->setUpdatesEnabled(true);
  list_->viewport()->update();
}

void CDlgFileList::WriteRow(int row, const FileListEntry& entry) {
  list_->insertRow(row);
  for (int column = 0; column < kFileListColumns; ++column) {
    auto* cell = new QTableWidgetItem(FileListCell(context_, entry, column));
    // Every cell white on the list's colour, in both themes.
    cell->setForeground(Qt::white);
    if (column == 0) {
      cell->setFlags(cell->flags() | Qt::ItemIsUserCheckable);
      cell->setCheckState(Qt::Unchecked);
    }
    list_->setItem(row, column, cell);
  }
}

void CDlgFileList::RefreshPageFields() {
  // An internal page 0 (a reload pending) shows as page 1.
  pageNumber_->setText(QString::number(std::max(1, paging_.currentPage)));
  pageCount_->setText(QString::number(paging_.pageCount));
}

void CDlgFileList::First() {
  if (paging_.First()) LoadPage();
}

void CDlgFileList::Previous() {
  if (paging_.Previous()) LoadPage();
}

void CDlgFileList::Next() {
  if (paging_.Next(static_cast<int>(ShownList().size()))) LoadPage();
}

void CDlgFileList::Last() {
  if (paging_.Last(static_cast<int>(ShownList().size()))) LoadPage();
}

void CDlgFileList::ClickRow(int row) {
  const std::vector<FileListEntry>& shown = ShownList();
  if (row < 0 || row >= static_cast<int>(shown.size())) return;
  const int index = paging_.GlobalIndex(row);
  if (index < 0 || index >= static_cast<int>(shown.size())) return;
  if (context_.playback != nullptr) context_.playback->SetCurrentEntry(index);
  currentEntry_ = shown[static_cast<size_t>(index)];
  HighlightPlayingRows();
}

void CDlgFileList::DoubleClickRow(int row) {
  if (row < 0 || row > list_->rowCount()) return;
  if (context_.playback == nullptr || context_.playback->IsOpeningEntry()) return;
  const int index = paging_.GlobalIndex(row);
  context_.playback->SetCurrentEntry(index);
  currentRow_ = row;
  if (index < static_cast<int>(ShownList().size())) context_.playback->OpenCurrentEntry();
}

void CDlgFileList::ShowEntry(int entry, const std::array<int, kChannelSlots>& channelEntries) {
  const int rows = std::max(paging_.rowsPerPage, 1);
  if (entry < 0 || entry >= static_cast<int>(ShownList().size())) return;
  currentRow_ = entry % rows;
  int page = entry / rows + 1;
  // Cameras whose rows straddle the page's end: the later page shows more
  // of them when the entry itself is near the end.
  bool onLastRow = false;
  bool nearTop = false;
  for (size_t slot = 0; slot < 4; ++slot) {
    const int row = channelEntries[slot] < 0 ? -1 : channelEntries[slot] % rows;
    onLastRow = onLastRow || row == rows - 1;
    nearTop = nearTop || row < 3;
  }
  if (onLastRow && nearTop && currentRow_ >= rows - 3) ++page;
  paging_.currentPage = std::clamp(page, 1, std::max(paging_.pageCount, 1));
  paging_.cursor = (paging_.currentPage - 1) * rows;
  list_->clearSelection();
  LoadPage();
}

void CDlgFileList::ForgetCurrentEntry() {
  currentEntry_.reset();
  list_->clearSelection();
  currentRow_ = 0;
  window()->update();
}

void CDlgFileList::MarkPlayingEntries() {
  playingMarks_.fill(-1);
  if (context_.playback == nullptr) return;
  const std::vector<FileListEntry>& shown = ShownList();
  for (int row = 0; row < list_->rowCount(); ++row) {
    const int index = paging_.GlobalIndex(row);
    if (index < 0 || index >= static_cast<int>(shown.size())) continue;
    for (int slot = 0; slot < kChannelSlots; ++slot) {
      const QString name = context_.playback->ChannelName(slot);
      if (!name.isEmpty() && shown[static_cast<size_t>(index)].name == name) {
        playingMarks_[static_cast<size_t>(slot)] = index;
      }
    }
  }
}

void CDlgFileList::HighlightPlayingRows() {
  const int rows = paging_.rowsPerPage;
  for (int mark : playingMarks_) {
    if (mark < 0 || mark / rows + 1 != paging_.currentPage) continue;
    list_->setFocus();
    list_->selectionModel()->select(list_->model()->index(mark % rows, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
}

bool CDlgFileList::event(QEvent* event) {
  if (event->type() == kEnumVideodiscsEvent) {
    EnumerateDisks();
    return true;
  }
  return QWidget::event(event);
}

void CDlgFileList::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kPanelColour);
}

void CDlgFileList::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int left = 0;
  const int top = 0;
  const int right = width();
  const int bottom = height();
  const int w = right - left;
  const int columnX = right - w * 4 / 100 - w * 59 / 100;
  const int columnWidth = w * 59 / 100;

  beginLabel_->setGeometry(left + 13, top, 55, 20);
  startPicker_->setGeometry(columnX, top, columnWidth, 20);
  endLabel_->setGeometry(left + 13, top + 25, 55, 20);
  endPicker_->setGeometry(columnX, top + 25, columnWidth, 20);
  diskSearch_->setGeometry(left + 12, top + 49, kSearchButtonWidth, 20);
  localSearch_->setGeometry(left + 112, top + 49, kSearchButtonWidth, 20);
  export_->setGeometry(left + 212, top + 49, kSearchButtonWidth, 20);
  const int listHeight = std::max(0, bottom - 55 - (top + 72));
  list_->setGeometry(left + 11, top + 72, right - left - 11, listHeight);
  paging_.rowsPerPage = RowsPerPageFor(listHeight);

  const int indicatorY = bottom + 2 * (bottom - top) / 100 - 61;
  int x = (right - 128) / 2;
  const std::array<QWidget*, 5> indicator{pageLabels_[0], pageNumber_, pageLabels_[1], pageCount_,
                                          pageLabels_[2]};
  constexpr int kIndicatorWidths[5] = {25, 13, 52, 13, 25};
  for (size_t i = 0; i < indicator.size(); ++i) {
    indicator[i]->setGeometry(x, indicatorY, kIndicatorWidths[i], 26);
    x += kIndicatorWidths[i];
  }
  const int pagingY = bottom + 2 * (bottom - top) / 100 - 35;
  const int pagingWidths[4] = {w / 6, w / 5 + 5, w / 5 + 5, w / 6};
  x = left + w / 7;
  for (int i = 0; i < 4; ++i) {
    pagingButtons_[i]->setGeometry(x, pagingY, pagingWidths[i], 19);
    x += pagingWidths[i];
  }
  progress_->setGeometry(30, top + 400, w - 60, 30);
}
