#include "corvane/search/dlg_search_pannel.h"

#include <QCoreApplication>
#include <QPainter>

#include <array>

#include "corvane/app/app_context.h"
#include "corvane/app/language.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/window_messages.h"
#include "corvane/controls/combo_box_bt.h"
#include "corvane/controls/ex_static.h"
#include "corvane/search/dlg_file_list.h"
#include "corvane/search/search_filter.h"

namespace {

constexpr int kFontPixels = 11;

const QColor kPanelColour(88, 92, 95);

constexpr int kRefreshDisksId = 623;
constexpr int kRemovableDiskId = 624;
constexpr int kHardDiskId = 625;
constexpr int kAllChannelsId = 332;
constexpr std::array<int, 5> kTypeTextIds = {606, 605, 620, 604, 475};

struct LanguageItem {
  int stringId;
  int code;
};
constexpr std::array<LanguageItem, 4> kLanguageItems{{{505, kLangSimplifiedChinese},
                                                      {506, kLangTraditionalChinese},
                                                      {507, kLangEnglish},
                                                      {634, kLangRussian}}};

int LanguageItemOf(int code) {
  for (size_t i = 0; i < kLanguageItems.size(); ++i) {
    if (kLanguageItems[i].code == code) return static_cast<int>(i);
  }
  return 2;  // English
}

// A list placed 63 % from the right of the width.
struct Column {
  int x;
  int width;
};
Column ListColumn(const QRect& client) {
  const int w = client.width();
  return {client.right() + 1 - w * 4 / 100 - w * 59 / 100, w * 59 / 100};
}

CComboBoxBT* MakeList(QWidget* parent, int id) {
  auto* list = new CComboBoxBT(parent);
  list->setObjectName(QString("ctl_%1").arg(id));
  return list;
}

CExStatic* MakeLabel(QWidget* parent, int id) {
  auto* label = new CExStatic(parent);
  label->setObjectName(QString("ctl_%1").arg(id));
  label->SetBackground(kPanelColour);
  return label;
}

}  // namespace

CDlgSearchPannel::CDlgSearchPannel(PlayerSettings& settings, AppContext& context,
                                   QWidget* parent)
    : QWidget(parent), settings_(settings), context_(context) {
  setObjectName("CDlgSearchPannel");
  context_.searchPanel = this;
  // The fixed layout is drawn for a small dialog font.
  QFont small = font();
  small.setPixelSize(kFontPixels);
  setFont(small);
  languageLabel_ = MakeLabel(this, 545);
  diskLabel_ = MakeLabel(this, 487);
  typeLabel_ = MakeLabel(this, 478);
  channelLabel_ = MakeLabel(this, 488);
  languages_ = MakeList(this, 547);
  disks_ = MakeList(this, 313);
  types_ = MakeList(this, 312);
  channels_ = MakeList(this, 314);

  // Provisional names until the start-up language is applied.
  languages_->SetItems({"Chinese", "Traditional", "English"});
  ResetDiskList();

  connect(disks_, &QComboBox::currentIndexChanged, this, &CDlgSearchPannel::OnDiskChanged);
  connect(types_, &QComboBox::currentIndexChanged, this, [this] { ApplySearchFilter(); });
  connect(channels_, &QComboBox::currentIndexChanged, this, [this] { ApplySearchFilter(); });
  connect(languages_, &QComboBox::currentIndexChanged, this,
          &CDlgSearchPannel::OnLanguageChanged);
}

void CDlgSearchPannel::ResetDiskList() {
  const QSignalBlocker quiet(disks_);
  disks_->clear();
  disks_->addItem(LoadLangString(context_, kRefreshDisksId), QVariant());
  disks_->setCurrentIndex(0);
}

void CDlgSearchPannel::RetextSearchPanel() {
  languageLabel_->SetText(LoadLangString(context_, 471));
  diskLabel_->SetText(LoadLangString(context_, 622));
  typeLabel_->SetText(LoadLangString(context_, 473));
  channelLabel_->SetText(LoadLangString(context_, 626));

  QStringList types;
  for (int id : kTypeTextIds) types << LoadLangString(context_, id);
  types_->SetItems(types);
  {
    const QSignalBlocker quiet(types_);
    types_->setCurrentIndex(kAllTypesIndex);
  }
  QStringList channels{LoadLangString(context_, kAllChannelsId)};
  for (int k = 1; k <= 8; ++k) channels << QString("CH%1").arg(k);
  channels_->SetItems(channels);
  {
    const QSignalBlocker quiet(channels_);
    channels_->setCurrentIndex(0);
  }
  QStringList languages;
  for (const LanguageItem& item : kLanguageItems) languages << LoadLangString(context_, item.stringId);
  languages_->SetItems(languages);
  {
    const QSignalBlocker quiet(languages_);
    languages_->setCurrentIndex(LanguageItemOf(settings_.uiLanguage));
  }
  ResetDiskList();
}

const NvrSearchResult* CDlgSearchPannel::GetSelectedDisk() const {
  if (disks_->currentIndex() <= 0) return nullptr;
  return static_cast<const NvrSearchResult*>(disks_->currentData().value<const void*>());
}

void CDlgSearchPannel::FillDiskList(const NvrSearchResult* records, int count) {
  ResetDiskList();
  const QSignalBlocker quiet(disks_);
  int removable = 0;
  int hard = 0;
  for (int i = 0; i < count; ++i) {
    const bool isRemovable = records[i].reserved0 != 0;
    const QString text = QString("%1%2").arg(
        LoadLangString(context_, isRemovable ? kRemovableDiskId : kHardDiskId))
                             .arg(isRemovable ? ++removable : ++hard);
    disks_->addItem(text, QVariant::fromValue(static_cast<const void*>(&records[i])));
  }
  if (count > 0) disks_->setCurrentIndex(1);
}

void CDlgSearchPannel::ApplySearchFilter() {
  recordTypeIndex_ = types_->currentIndex();
  channelIndex_ = std::max(0, channels_->currentIndex());
  if (context_.fileList != nullptr) context_.fileList->Refilter(recordTypeIndex_, channelIndex_);
}

void CDlgSearchPannel::OnDiskChanged(int index) {
  // The first item asks for the disks again; a disk only records the
  // choice for the next search.
  if (index == 0 && context_.fileList != nullptr) {
    QCoreApplication::postEvent(context_.fileList, new QEvent(kEnumVideodiscsEvent));
  }
}

void CDlgSearchPannel::OnLanguageChanged(int index) {
  if (index < 0 || index >= static_cast<int>(kLanguageItems.size())) return;
  const int code = kLanguageItems[static_cast<size_t>(index)].code;
  settings_.langSelect = code;
  // The language list is refilled inside; finish this signal first.
  if (context_.applyLanguage) {
    QMetaObject::invokeMethod(this, [this, code] { context_.applyLanguage(code); },
                              Qt::QueuedConnection);
  }
}

void CDlgSearchPannel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kPanelColour);
}

void CDlgSearchPannel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QRect client = rect();
  const Column list = ListColumn(client);
  const int left = client.left() + 3;
  const int top = client.top();
  const int labelWidth = std::max(0, list.x - left);
  languageLabel_->setGeometry(left, top, 70, 20);
  languages_->setGeometry(list.x, top, list.width, 20);
  diskLabel_->setGeometry(left, top + 25, labelWidth, 22);
  disks_->setGeometry(list.x, top + 25, list.width, 22);
  typeLabel_->setGeometry(left, top + 50, labelWidth, 19);
  types_->setGeometry(list.x, top + 50, list.width, 19);
  channelLabel_->setGeometry(left, top + 75, labelWidth, 25);
  channels_->setGeometry(list.x, top + 75, list.width, 25);
}
