#include "gui/tips_dialog_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "gui/ansi_text.h"
#include "ui/tips.h"

namespace norvane {

TipsDialogView::TipsDialogView(TTipForm& form, QWidget* parent, ViewGuard guard)
    : ModalFormView(form, parent, std::move(guard)), tips_(form) {
  setObjectName("TipForm");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  heading_ = new QLabel(this);
  heading_->setObjectName("TipCaption");
  QFont headingFont = heading_->font();
  headingFont.setPointSizeF(headingFont.pointSizeF() * 1.6);
  headingFont.setBold(true);
  heading_->setFont(headingFont);

  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setAutoFillBackground(true);
  QPalette tipColours = panel->palette();
  tipColours.setColor(QPalette::Window, tipColours.color(QPalette::ToolTipBase));
  tipColours.setColor(QPalette::WindowText, tipColours.color(QPalette::ToolTipText));
  panel->setPalette(tipColours);
  auto* image = new QLabel(panel);
  image->setObjectName("Image1");
  image->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  image->setAlignment(Qt::AlignTop);
  help_ = new QLabel(panel);
  help_->setObjectName("TipHelp");
  QFont helpFont = help_->font();
  helpFont.setBold(true);
  help_->setFont(helpFont);
  text_ = new QLabel(panel);
  text_->setObjectName("TipText");
  text_->setWordWrap(true);
  text_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  text_->setTextFormat(Qt::PlainText);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* tipColumn = new QVBoxLayout;
  tipColumn->addWidget(help_);
  tipColumn->addWidget(text_, 1);
  auto* panelLayout = new QHBoxLayout(panel);
  panelLayout->addWidget(image, 0, Qt::AlignTop);
  panelLayout->addLayout(tipColumn, 1);
  panel->setFixedSize(420, 170);

  notShowAtStart_ = new QCheckBox(this);
  notShowAtStart_->setObjectName("NotShowAtStart");
  ok_ = new QPushButton(this);
  ok_->setObjectName("Ok");
  ok_->setDefault(true);
  next_ = new QPushButton(this);
  next_->setObjectName("Next");
  last_ = new QPushButton(this);
  last_->setObjectName("Last");
  tutorial_ = new QPushButton(this);
  tutorial_->setObjectName("btTutorial");
  separator_ = new QFrame(this);
  separator_->setObjectName("bvSeparator");
  separator_->setFrameShape(QFrame::HLine);
  separator_->setFrameShadow(QFrame::Sunken);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok_);
  buttons->addWidget(next_);
  buttons->addWidget(last_);
  buttons->addWidget(separator_);
  buttons->addWidget(tutorial_);
  buttons->addStretch();
  auto* top = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(heading_);
  left->addWidget(panel);
  left->addWidget(notShowAtStart_);
  top->addLayout(left);
  top->addLayout(buttons);
  setLayout(top);
  top->setSizeConstraint(QLayout::SetFixedSize);

  connect(ok_, &QPushButton::clicked, this, [this] { Forward([this] { tips_.OkClick(); }); });
  connect(next_, &QPushButton::clicked, this, [this] { Forward([this] { tips_.NextClick(); }); });
  connect(last_, &QPushButton::clicked, this, [this] { Forward([this] { tips_.LastClick(); }); });
  connect(tutorial_, &QPushButton::clicked, this, [this] { Forward([this] { tips_.btTutorialClick(); }); });
  connect(notShowAtStart_, &QCheckBox::toggled, this,
          [this](bool checked) { tips_.NotShowAtStart = checked; });
}

void TipsDialogView::ShowFields() {
  setWindowTitle(FromAnsi(tips_.Caption));
  heading_->setText(FromAnsi(tips_.TipCaption));
  help_->setText(FromAnsi(tips_.TipHelp));
  text_->setText(FromAnsi(tips_.TipText));
  notShowAtStart_->setText(FromAnsi(tips_.NotShowAtStartCaption));
  notShowAtStart_->setChecked(tips_.NotShowAtStart);
  ok_->setText(FromAnsi(tips_.OkCaption));
  next_->setText(FromAnsi(tips_.NextCaption));
  last_->setText(FromAnsi(tips_.LastCaption));
  tutorial_->setText(FromAnsi(tips_.btTutorialCaption));
  next_->setEnabled(tips_.NextEnabled);
  last_->setEnabled(tips_.LastEnabled);
  tutorial_->setVisible(tips_.btTutorialVisible);
  separator_->setVisible(tips_.bvSeparatorVisible);
}

// Escape is the OK button's, as Enter is.
void TipsDialogView::reject() {
  Forward([this] { tips_.OkClick(); });
}

void TipsDialogView::closeEvent(QCloseEvent* event) {
  Forward([this] { CloseBox(); });
  if (!FormEnded()) event->ignore();
}

void RunTipsDialog(TTipForm& form, QWidget* parent, ViewGuard guard) {
  TipsDialogView view(form, parent, std::move(guard));
  view.Run();
}

}  // namespace norvane
