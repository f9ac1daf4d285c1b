#include "gui/get_started_dialog_view.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "gui/ansi_text.h"
#include "gui/component_widgets.h"
#include "ui/form_get_started.h"
#include "ui/word_tables.h"

namespace norvane {

namespace {

// The decorative picture beside each choice.
QLabel* Picture(const char* name, QStyle::StandardPixmap icon, QWidget* parent) {
  auto* image = new QLabel(parent);
  image->setObjectName(name);
  image->setPixmap(parent->style()->standardIcon(icon).pixmap(32, 32));
  image->setFixedSize(36, 36);
  return image;
}

QHBoxLayout* Choice(QLabel* image, QRadioButton* button) {
  auto* row = new QHBoxLayout;
  row->addWidget(image);
  row->addWidget(button, 1);
  return row;
}

}  // namespace

GetStartedDialogView::GetStartedDialogView(TFormGetStarted& form, const TWordTables* tables, QWidget* parent,
                                           ViewGuard guard)
    : ModalFormView(form, parent, std::move(guard)), started_(form) {
  setObjectName("FormGetStarted");
  setWindowTitle("Getting Started");
  auto* question = new QLabel(FromAnsi(form.Label1), this);
  question->setObjectName("Label1");
  QFont bold = question->font();
  bold.setBold(true);
  question->setFont(bold);
  nothing_ = new QRadioButton(FromAnsi(form.rbNothingCaption), this);
  nothing_->setObjectName("rbNothing");
  wizard_ = new QRadioButton(FromAnsi(form.rbWizardCaption), this);
  wizard_->setObjectName("rbWizard");
  script_ = new QRadioButton(FromAnsi(form.rdScriptCaption), this);
  script_->setObjectName("rdScript");
  scripts_ = new QListWidget(this);
  scripts_->setObjectName("Scripts");
  scripts_->setMinimumHeight(110);
  auto* ok = new QPushButton(FromAnsi(form.btOKCaption), this);
  ok->setObjectName("btOK");
  ok->setDefault(true);
  auto* cancel = new QPushButton(FromAnsi(form.btCancelCaption), this);
  cancel->setObjectName("btCancel");
  auto* browse = new QPushButton(FromAnsi(form.btBrowseCaption), this);
  browse->setObjectName("btBrowse");
  dontShowAgain_ = new QCheckBox(FromAnsi(form.chDontShowAgainCaption), this);
  dontShowAgain_->setObjectName("chDontShowAgain");

  auto* scriptsRow = new QHBoxLayout;
  scriptsRow->addSpacing(42);
  scriptsRow->addWidget(scripts_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(dontShowAgain_);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(browse);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(question);
  layout->addLayout(Choice(Picture("Image1", QStyle::SP_FileIcon, this), nothing_));
  layout->addLayout(Choice(Picture("Image2", QStyle::SP_FileDialogContentsView, this), wizard_));
  layout->addLayout(Choice(Picture("Image3", QStyle::SP_DirOpenIcon, this), script_));
  layout->addLayout(scriptsRow);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  ApplyWordTable(*this, tables, kFormGetStartedWords);

  connect(nothing_, &QRadioButton::clicked, this, [this] { Forward([this] { started_.rbNothingClick(); }); });
  connect(wizard_, &QRadioButton::clicked, this, [this] { Forward([this] { started_.rbWizardClick(); }); });
  connect(script_, &QRadioButton::clicked, this, [this] { Forward([this] { started_.rdScriptClick(); }); });
  connect(scripts_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    Forward([this, row = scripts_->row(item)] { started_.ScriptsClick(row); });
  });
  connect(scripts_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row != started_.ScriptsItemIndex && row >= 0) Forward([this, row] { started_.ScriptsClick(row); });
  });
  connect(dontShowAgain_, &QCheckBox::toggled, this,
          [this](bool checked) { started_.chDontShowAgain = checked; });
  connect(ok, &QPushButton::clicked, this, [this] { Forward([this] { started_.btOKClick(); }); });
  connect(cancel, &QPushButton::clicked, this, [this] { Forward([this] { started_.btCancelClick(); }); });
  connect(browse, &QPushButton::clicked, this, [this] { Forward([this] { started_.btBrowseClick(); }); });
}

void GetStartedDialogView::ShowFields() {
  nothing_->setChecked(started_.rbNothing);
  wizard_->setChecked(started_.rbWizard);
  script_->setChecked(started_.rdScript);
  script_->setEnabled(started_.rdScriptEnabled);
  const QSignalBlocker block(scripts_);
  if (scripts_->count() != static_cast<int>(started_.Scripts.size())) {
    scripts_->clear();
    for (const std::string& name : started_.Scripts) scripts_->addItem(FromAnsi(name));
  }
  scripts_->setCurrentRow(started_.ScriptsItemIndex);
  scripts_->setEnabled(started_.ScriptsEnabled);
  dontShowAgain_->setChecked(started_.chDontShowAgain);
}

void RunGetStartedDialog(TFormGetStarted& form, const TWordTables* tables, QWidget* parent, ViewGuard guard) {
  GetStartedDialogView view(form, tables, parent, std::move(guard));
  view.Run();
}

}  // namespace norvane
