#include "gui/find_dialog_view.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/recipient_find.h"
#include "gui/ansi_text.h"
#include "gui/component_widgets.h"
#include "ui/word_tables.h"

namespace norvane {

FindDialogView::FindDialogView(TFindDialog& dialog, std::function<void()> findNext, const TWordTables* tables,
                               QWidget* parent)
    : QDialog(parent), dialog_(dialog), findNext_(std::move(findNext)) {
  setObjectName("FindDialog");
  setWindowTitle("Find");
  setModal(false);
  auto* label = new QLabel("Fi&nd what:", this);
  label->setObjectName("Label1");
  text_ = new QLineEdit(this);
  text_->setObjectName("edFindText");
  text_->setValidator(new AnsiValidator(text_));
  label->setBuddy(text_);
  matchCase_ = new QCheckBox("Match &case", this);
  matchCase_->setObjectName("cbMatchCase");
  auto* direction = new QGroupBox("Direction", this);
  direction->setObjectName("gbDirection");
  up_ = new QRadioButton("&Up", direction);
  up_->setObjectName("rbUp");
  down_ = new QRadioButton("&Down", direction);
  down_->setObjectName("rbDown");
  auto* directionLayout = new QHBoxLayout(direction);
  directionLayout->addWidget(up_);
  directionLayout->addWidget(down_);
  findButton_ = new QPushButton("&Find Next", this);
  findButton_->setObjectName("btFindNext");
  findButton_->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("btCancel");

  auto* grid = new QGridLayout(this);
  grid->addWidget(label, 0, 0);
  grid->addWidget(text_, 0, 1, 1, 2);
  grid->addWidget(matchCase_, 1, 0, 1, 2, Qt::AlignBottom);
  grid->addWidget(direction, 1, 2);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(findButton_);
  buttons->addWidget(cancel);
  buttons->addStretch();
  grid->addLayout(buttons, 0, 3, 2, 1);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  ApplyWordTable(*this, tables, kFindDialogWords);

  connect(text_, &QLineEdit::textChanged, this, [this] {
    findButton_->setEnabled(!text_->text().isEmpty());
    TakeFields();
  });
  connect(matchCase_, &QCheckBox::toggled, this, [this] { TakeFields(); });
  connect(down_, &QRadioButton::toggled, this, [this] { TakeFields(); });
  connect(findButton_, &QPushButton::clicked, this, [this] {
    TakeFields();
    if (findNext_) findNext_();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::close);
  ShowFields();
}

void FindDialogView::ShowFields() {
  const QSignalBlocker blockText(text_);
  const QSignalBlocker blockCase(matchCase_);
  const QSignalBlocker blockDown(down_);
  text_->setText(FromAnsi(dialog_.FindText));
  matchCase_->setChecked(dialog_.MatchCase);
  down_->setChecked(dialog_.Down);
  up_->setChecked(!dialog_.Down);
  findButton_->setEnabled(!text_->text().isEmpty());
}

void FindDialogView::TakeFields() {
  dialog_.FindText = ToAnsi(text_->text());
  dialog_.MatchCase = matchCase_->isChecked();
  dialog_.Down = down_->isChecked();
}

FindDialogView* ShowFindDialogView(TFindDialog& dialog, std::function<void()> findNext,
                                   const TWordTables* tables, QWidget* parent) {
  static QPointer<FindDialogView> shown;
  static TFindDialog* shownFor = nullptr;
  if (shown == nullptr || shownFor != &dialog || shown->parentWidget() != parent) {
    delete shown.data();
    shown = new FindDialogView(dialog, std::move(findNext), tables, parent);
    shown->setAttribute(Qt::WA_DeleteOnClose, false);
    shownFor = &dialog;
  } else {
    shown->ShowFields();
  }
  shown->show();
  shown->raise();
  shown->activateWindow();
  return shown.data();
}

}  // namespace norvane
