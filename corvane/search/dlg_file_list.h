#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

#include "brisca/types/brisca_types.h"
#include "corvane/search/file_list_entry.h"
#include "corvane/search/file_list_paging.h"

struct AppContext;
struct PlayerSettings;
class CButtonST;
class CDlgProgress;
class CExStatic;
class QDateTimeEdit;
class QLineEdit;
class QTableWidget;

// The file list: searches a recorder disk or a local source through the
// library, keeps the recordings of the time window sorted, pages through
// them (all of them, or the search panel's filtered choice), marks the ones
// playing, and hands a double-clicked entry to the playback side.
// Window thread only; a search blocks it until the listing is complete.
class CDlgFileList : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDiskBufferSlots = 16;
  static constexpr int kChannelSlots = 8;

  // `settings` and `context` must outlive the panel.
  CDlgFileList(const PlayerSettings& settings, AppContext& context, QWidget* parent);

  // Column headers, button texts and labels in the current language.
  void RetextFileList();
  // Pixel widths of the six columns, set by the main window's layout.
  void SetColumnWidths(const int (&widths)[6]);
  // The first command-line argument: the next LOCAL SEARCH lists it
  // without asking.
  void OfferStartPath(const QString& path);

  // VIDEODISC SEARCH: the disk chosen in the search panel (the disks are
  // enumerated first when none is), then RunSearch.
  void DiskSearch();
  // LOCAL SEARCH of `path` (a folder or an image file). A path the library
  // cannot list gets a notice and leaves the list as it was.
  void LocalSearch(const QString& path);
  // The disk to search, enumerating when the search panel has none; null
  // when there is none (a notice said why) or a request is running.
  const NvrSearchResult* EnumerateDisks();

  // Rebuilds the filtered list for the search panel's filter and shows its
  // first page.
  void Refilter(int typeIndex, int channelIndex);

  // Paging buttons.
  void First();
  void Previous();
  void Next();
  void Last();
  // A click and a double click on row `row` of the page.
  void ClickRow(int row);
  void DoubleClickRow(int row);

  // Shows the page holding `entry` of the shown list, the entry as the
  // current row, as an entry starts to play on channels holding
  // `channelEntries`.
  void ShowEntry(int entry, const std::array<int, kChannelSlots>& channelEntries);
  // The STOP button: no entry is current any more.
  void ForgetCurrentEntry();
  void MarkPlayingEntries();
  void HighlightPlayingRows();

  void SetTimeWindow(const WindowTime& start, const WindowTime& end);
  const std::vector<FileListEntry>& ShownList() const;
  const std::vector<FileListEntry>& FullList() const { return full_; }
  const FileListPaging& paging() const { return paging_; }
  const std::array<int, kChannelSlots>& playingMarks() const { return playingMarks_; }
  const std::optional<FileListEntry>& currentEntry() const { return currentEntry_; }
  int currentRow() const { return currentRow_; }
  bool searching() const { return searching_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Lists the source selected in the library (local: the path given to it)
  // and shows the result. False, with nothing changed, when a local source
  // could not be listed.
  bool RunSearch(bool local);
  void LoadPage();
  void WriteRow(int row, const FileListEntry& entry);
  void ChooseLocalSource();
  void RefreshPageFields();
  void FitColumns();
  bool Busy() const;
  bool Playing() const;
  WindowTime PickerTime(const QDateTimeEdit& picker) const;

  const PlayerSettings& settings_;
  AppContext& context_;
  CExStatic* beginLabel_ = nullptr;
  CExStatic* endLabel_ = nullptr;
  QDateTimeEdit* startPicker_ = nullptr;
  QDateTimeEdit* endPicker_ = nullptr;
  CButtonST* diskSearch_ = nullptr;
  CButtonST* localSearch_ = nullptr;
  CButtonST* export_ = nullptr;
  QTableWidget* list_ = nullptr;
  std::array<CExStatic*, 3> pageLabels_{};
  QLineEdit* pageNumber_ = nullptr;
  QLineEdit* pageCount_ = nullptr;
  std::array<CButtonST*, 4> pagingButtons_{};
  CDlgProgress* progress_ = nullptr;

  std::vector<FileListEntry> full_;
  std::vector<FileListEntry> filtered_;
  FileListPaging paging_;
  int currentRow_ = 0;
  std::optional<FileListEntry> currentEntry_;
  bool searching_ = false;
  QString pendingStartPath_;
  std::array<NvrSearchResult, kDiskBufferSlots> diskBuffer_{};
  std::array<int, kChannelSlots> playingMarks_{};
  std::array<int, 6> columnWidths_{};
};
