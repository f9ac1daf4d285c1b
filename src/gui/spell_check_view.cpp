#include "gui/spell_check_view.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/ansi_text.h"
#include "spell/spell_check_dialog.h"

namespace norvane {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

// The line with the word in bold, so it stands out however often it occurs.
QString ContextMarkup(const TSpellCheckDialog& dialog) {
  const std::string& context = dialog.lbContext;
  std::size_t start = std::min(dialog.lbContextWordOffset, context.size());
  std::size_t length = std::min(dialog.lbNotInDictionary.size(), context.size() - start);
  return FromAnsi(context.substr(0, start)).toHtmlEscaped() + QStringLiteral("<b>") +
         FromAnsi(context.substr(start, length)).toHtmlEscaped() + QStringLiteral("</b>") +
         FromAnsi(context.substr(start + length)).toHtmlEscaped();
}

}  // namespace

SpellCheckView::SpellCheckView(TSpellCheckDialog& dialog, QWidget* parent, ViewGuard guard)
    : ModalFormView(dialog, parent, std::move(guard)), dialog_(dialog) {
  setObjectName(QStringLiteral("SpellCheckDialog"));
  auto* grid = new QGridLayout(this);

  auto* notInDictionary = new QLabel(tr("Not in dictionary:"), this);
  lbNotInDictionary_ = new QLabel(this);
  lbNotInDictionary_->setObjectName(QStringLiteral("lbNotInDictionary"));
  lbNotInDictionary_->setTextFormat(Qt::PlainText);
  QFont bold = lbNotInDictionary_->font();
  bold.setBold(true);
  lbNotInDictionary_->setFont(bold);
  lbContext_ = new QLabel(this);
  lbContext_->setObjectName(QStringLiteral("lbContext"));
  lbContext_->setTextFormat(Qt::RichText);
  lbContext_->setWordWrap(true);
  lbContext_->setFrameShape(QFrame::StyledPanel);
  lbContext_->setMinimumWidth(360);
  lbContext_->setMinimumHeight(48);
  lbContext_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* changeToLabel = new QLabel(tr("C&hange to:"), this);
  edChangeTo_ = new QLineEdit(this);
  edChangeTo_->setObjectName(QStringLiteral("edChangeTo"));
  edChangeTo_->setValidator(new AnsiValidator(edChangeTo_));
  changeToLabel->setBuddy(edChangeTo_);
  auto* suggestionsLabel = new QLabel(tr("&Suggestions:"), this);
  lbSuggestions_ = new QListWidget(this);
  lbSuggestions_->setObjectName(QStringLiteral("lbSuggestions"));
  suggestionsLabel->setBuddy(lbSuggestions_);

  auto* btIgnore = Button(this, "btIgnore", tr("&Ignore"));
  auto* btIgnoreAll = Button(this, "btIgnoreAll", tr("I&gnore All"));
  btChange_ = Button(this, "btChange", tr("&Change"));
  btChange_->setDefault(true);
  btChangeAll_ = Button(this, "btChangeAll", tr("Change A&ll"));
  auto* btAdd = Button(this, "btAdd", tr("&Add to Dictionary"));
  auto* btCancel = Button(this, "btCancel", tr("Cancel"));

  grid->addWidget(notInDictionary, 0, 0);
  grid->addWidget(lbNotInDictionary_, 0, 1);
  grid->addWidget(lbContext_, 1, 0, 1, 2);
  grid->addWidget(changeToLabel, 2, 0, 1, 2);
  grid->addWidget(edChangeTo_, 3, 0, 1, 2);
  grid->addWidget(suggestionsLabel, 4, 0, 1, 2);
  grid->addWidget(lbSuggestions_, 5, 0, 1, 2);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {btIgnore, btIgnoreAll, btChange_, btChangeAll_, btAdd})
    buttons->addWidget(button);
  buttons->addStretch();
  buttons->addWidget(btCancel);
  grid->addLayout(buttons, 0, 2, 6, 1);
  grid->setColumnStretch(1, 1);

  connect(edChangeTo_, &QLineEdit::textEdited, this,
          [this](const QString& text) { dialog_.edChangeTo = ToAnsi(text); });
  connect(lbSuggestions_, &QListWidget::currentRowChanged, this,
          [this](int row) { Forward([this, row] { dialog_.lbSuggestionsClick(row); }); });
  connect(lbSuggestions_, &QListWidget::itemDoubleClicked, this,
          [this] { Forward([this] { dialog_.btChangeClick(); }); });
  connect(btIgnore, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.btIgnoreClick(); }); });
  connect(btIgnoreAll, &QPushButton::clicked, this,
          [this] { Forward([this] { dialog_.btIgnoreAllClick(); }); });
  connect(btChange_, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.btChangeClick(); }); });
  connect(btChangeAll_, &QPushButton::clicked, this,
          [this] { Forward([this] { dialog_.btChangeAllClick(); }); });
  connect(btAdd, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.btAddClick(); }); });
  connect(btCancel, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.btCancelClick(); }); });
}

void SpellCheckView::ShowFields() {
  lbNotInDictionary_->setText(FromAnsi(dialog_.lbNotInDictionary));
  lbContext_->setText(ContextMarkup(dialog_));
  QSignalBlocker blocker(lbSuggestions_);
  lbSuggestions_->clear();
  for (const std::string& suggestion : dialog_.lbSuggestions) lbSuggestions_->addItem(FromAnsi(suggestion));
  lbSuggestions_->setCurrentRow(dialog_.lbSuggestionsIndex);
  if (edChangeTo_->text() != FromAnsi(dialog_.edChangeTo)) edChangeTo_->setText(FromAnsi(dialog_.edChangeTo));
  btChange_->setEnabled(dialog_.btChangeEnabled);
  btChangeAll_->setEnabled(dialog_.btChangeEnabled);
  edChangeTo_->setFocus();
  edChangeTo_->selectAll();
}

}  // namespace norvane
