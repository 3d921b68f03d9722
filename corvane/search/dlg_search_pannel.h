#pragma once

#include <QWidget>

#include "brisca/types/brisca_types.h"

struct AppContext;
struct PlayerSettings;
class CComboBoxBT;
class CExStatic;

// The search panel: four rows of language, recorder disk, record type and
// channel. It runs no search itself: the file list reads the chosen disk
// and the filter indices, and the panel rebuilds the file list's filtered
// list when a filter changes. Window thread only.
class CDlgSearchPannel : public QWidget {
  Q_OBJECT

 public:
  // `settings` and `context` must outlive the panel.
  CDlgSearchPannel(PlayerSettings& settings, AppContext& context, QWidget* parent);

  // Texts of the current language; refills the lists (all types, all
  // channels, the applied language) and forgets the enumerated disks. The
  // stored filter indices and the file list stay as they are.
  void RetextSearchPanel();

  // The selected disk record, or null when the first item ("Research
  // Videodisc List") or nothing is selected.
  const NvrSearchResult* GetSelectedDisk() const;

  // Lists `count` records of the file list's disk buffer (which must
  // outlive the list) after the first item and selects the first disk.
  void FillDiskList(const NvrSearchResult* records, int count);

  // Reads both filter lists and rebuilds the file list's filtered list,
  // back on its first page.
  void ApplySearchFilter();

  int recordTypeIndex() const { return recordTypeIndex_; }
  int channelIndex() const { return channelIndex_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnDiskChanged(int index);
  void OnLanguageChanged(int index);
  void ResetDiskList();

  PlayerSettings& settings_;
  AppContext& context_;
  CExStatic* languageLabel_ = nullptr;
  CExStatic* diskLabel_ = nullptr;
  CExStatic* typeLabel_ = nullptr;
  CExStatic* channelLabel_ = nullptr;
  CComboBoxBT* languages_ = nullptr;
  CComboBoxBT* disks_ = nullptr;
  CComboBoxBT* types_ = nullptr;
  CComboBoxBT* channels_ = nullptr;
  int recordTypeIndex_ = 4;
  int channelIndex_ = 0;
};
