#include "gui/thesaurus_view.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "gui/ansi_text.h"
#include "spell/thesaurus_dialog.h"

namespace norvane {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

void ShowList(QListWidget* list, const std::vector<std::string>& items, int index) {
  QSignalBlocker blocker(list);
  list->clear();
  for (const std::string& item : items) list->addItem(FromAnsi(item));
  list->setCurrentRow(index);
}

void ShowText(QLineEdit* edit, const std::string& text) {
  // Only a real change is written back, so the caret stays where the person types.
  if (edit->text() != FromAnsi(text)) edit->setText(FromAnsi(text));
}

}  // namespace

ThesaurusView::ThesaurusView(TThesaurusDialog& dialog, QWidget* parent, ViewGuard guard)
    : ModalFormView(dialog, parent, std::move(guard)), dialog_(dialog) {
  setObjectName(QStringLiteral("ThesaurusDialog"));
  auto* grid = new QGridLayout(this);

  auto* lookUpLabel = new QLabel(tr("&Look up:"), this);
  edLookUp_ = new QLineEdit(this);
  edLookUp_->setObjectName(QStringLiteral("edLookUp"));
  edLookUp_->setValidator(new AnsiValidator(edLookUp_));
  lookUpLabel->setBuddy(edLookUp_);
  auto* btLookUp = Button(this, "btLookUp", tr("Look &Up"));

  auto* meaningsLabel = new QLabel(tr("&Meanings:"), this);
  lbMeanings_ = new QListWidget(this);
  lbMeanings_->setObjectName(QStringLiteral("lbMeanings"));
  meaningsLabel->setBuddy(lbMeanings_);
  auto* synonymsLabel = new QLabel(tr("S&ynonyms:"), this);
  lbSynonyms_ = new QListWidget(this);
  lbSynonyms_->setObjectName(QStringLiteral("lbSynonyms"));
  synonymsLabel->setBuddy(lbSynonyms_);

  auto* replaceLabel = new QLabel(tr("Replace &with:"), this);
  edReplaceWith_ = new QLineEdit(this);
  edReplaceWith_->setObjectName(QStringLiteral("edReplaceWith"));
  edReplaceWith_->setValidator(new AnsiValidator(edReplaceWith_));
  replaceLabel->setBuddy(edReplaceWith_);
  lbStatus_ = new QLabel(this);
  lbStatus_->setObjectName(QStringLiteral("lbStatus"));
  lbStatus_->setTextFormat(Qt::PlainText);

  btReplace_ = Button(this, "btReplace", tr("&Replace"));
  btReplace_->setDefault(true);
  auto* btCancel = Button(this, "btCancel", tr("Cancel"));
  btLookUp->setAutoDefault(false);

  grid->addWidget(lookUpLabel, 0, 0);
  grid->addWidget(edLookUp_, 0, 1, 1, 2);
  grid->addWidget(btLookUp, 0, 3);
  grid->addWidget(meaningsLabel, 1, 0, 1, 2);
  grid->addWidget(synonymsLabel, 1, 2, 1, 2);
  grid->addWidget(lbMeanings_, 2, 0, 1, 2);
  grid->addWidget(lbSynonyms_, 2, 2, 1, 2);
  grid->addWidget(replaceLabel, 3, 0);
  grid->addWidget(edReplaceWith_, 3, 1, 1, 3);
  grid->addWidget(lbStatus_, 4, 0, 1, 4);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btReplace_);
  buttons->addWidget(btCancel);
  grid->addLayout(buttons, 5, 0, 1, 4);
  resize(460, 320);

  connect(edLookUp_, &QLineEdit::textEdited, this,
          [this](const QString& text) { dialog_.edLookUp = ToAnsi(text); });
  connect(edLookUp_, &QLineEdit::returnPressed, this,
          [this] { Forward([this] { dialog_.btLookUpClick(); }); });
  connect(edReplaceWith_, &QLineEdit::textEdited, this, [this](const QString& text) {
    dialog_.edReplaceWith = ToAnsi(text);
    btReplace_->setEnabled(!text.isEmpty());
  });
  connect(btLookUp, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.btLookUpClick(); }); });
  connect(lbMeanings_, &QListWidget::currentRowChanged, this,
          [this](int row) { Forward([this, row] { dialog_.lbMeaningsClick(row); }); });
  connect(lbSynonyms_, &QListWidget::currentRowChanged, this,
          [this](int row) { Forward([this, row] { dialog_.lbSynonymsClick(row); }); });
  connect(lbSynonyms_, &QListWidget::itemDoubleClicked, this,
          [this] { Forward([this] { dialog_.btReplaceClick(); }); });
  connect(btReplace_, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.btReplaceClick(); }); });
  connect(btCancel, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.btCancelClick(); }); });
}

void ThesaurusView::ShowFields() {
  ShowText(edLookUp_, dialog_.edLookUp);
  ShowList(lbMeanings_, dialog_.lbMeanings, dialog_.lbMeaningsIndex);
  ShowList(lbSynonyms_, dialog_.lbSynonyms, dialog_.lbSynonymsIndex);
  ShowText(edReplaceWith_, dialog_.edReplaceWith);
  lbStatus_->setText(FromAnsi(dialog_.lbStatus));
  btReplace_->setEnabled(dialog_.btReplaceEnabled);
}

}  // namespace norvane
