#include "corvane/app/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "corvane/app/app_icon.h"

namespace {

constexpr int kAboutTitleId = 1;
constexpr int kProgramDescriptionId = 509;
constexpr int kIconSize = 64;

}  // namespace

CAboutDlg::CAboutDlg(const AppContext& context, QWidget* parent)
    : QDialog(parent) {
  setObjectName("ctl_100");
  setWindowTitle(LoadLangString(context, kAboutTitleId));
  setModal(true);

  auto* icon = new QLabel(this);
  icon->setPixmap(CorvaneIconPixmap(kIconSize));
  icon->setAlignment(Qt::AlignTop);

  auto* name = new QLabel(QStringLiteral("Corvane Player %1").arg(CORVANE_VERSION), this);
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  auto* description = new QLabel(LoadLangString(context, kProgramDescriptionId), this);
  auto* library = new QLabel(QStringLiteral("brisca %1").arg(CORVANE_VERSION), this);

  auto* texts = new QVBoxLayout;
  texts->addWidget(name);
  texts->addWidget(description);
  texts->addWidget(library);
  texts->addStretch();

  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addSpacing(12);
  row->addLayout(texts);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("ctl_1");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}
