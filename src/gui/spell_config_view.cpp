#include "gui/spell_config_view.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/ansi_text.h"
#include "spell/spell_config_dialog.h"

namespace norvane {

SpellConfigView::SpellConfigView(TSpellConfigDialog& dialog, QWidget* parent, ViewGuard guard)
    : ModalFormView(dialog, parent, std::move(guard)), dialog_(dialog) {
  setObjectName(QStringLiteral("SpellConfigDialog"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  cbDictionary_ = new QComboBox(this);
  cbDictionary_->setObjectName(QStringLiteral("cbDictionary"));
  cbDictionary_->setMinimumWidth(260);
  form->addRow(tr("&Dictionary:"), cbDictionary_);
  lbThesaurus_ = new QLabel(this);
  lbThesaurus_->setObjectName(QStringLiteral("lbThesaurus"));
  lbThesaurus_->setTextFormat(Qt::PlainText);
  form->addRow(QString(), lbThesaurus_);
  edUserDictionary_ = new QLineEdit(this);
  edUserDictionary_->setObjectName(QStringLiteral("edUserDictionary"));
  edUserDictionary_->setValidator(new AnsiValidator(edUserDictionary_));
  edUserDictionary_->setMinimumWidth(320);
  auto* btBrowse = new QPushButton(tr("&Browse..."), this);
  btBrowse->setObjectName(QStringLiteral("btBrowse"));
  btBrowse->setAutoDefault(false);
  auto* userRow = new QHBoxLayout;
  userRow->addWidget(edUserDictionary_, 1);
  userRow->addWidget(btBrowse);
  auto* userLabel = new QLabel(tr("&User dictionary:"), this);
  userLabel->setBuddy(edUserDictionary_);
  form->addRow(userLabel, userRow);
  layout->addLayout(form);

  auto* buttons = new QDialogButtonBox(this);
  auto* btOk = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
  btOk->setObjectName(QStringLiteral("btOk"));
  btOk->setDefault(true);
  auto* btCancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
  btCancel->setObjectName(QStringLiteral("btCancel"));
  layout->addWidget(buttons);

  connect(cbDictionary_, &QComboBox::currentIndexChanged, this,
          [this](int index) { Forward([this, index] { dialog_.cbDictionaryChange(index); }); });
  connect(edUserDictionary_, &QLineEdit::textEdited, this,
          [this](const QString& text) { dialog_.edUserDictionary = ToAnsi(text); });
  connect(btBrowse, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.btBrowseClick(); }); });
  connect(btOk, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.btOkClick(); }); });
  connect(btCancel, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.btCancelClick(); }); });
}

void SpellConfigView::ShowFields() {
  {
    QSignalBlocker blocker(cbDictionary_);
    cbDictionary_->clear();
    for (const std::string& name : dialog_.cbDictionary) cbDictionary_->addItem(FromAnsi(name));
    cbDictionary_->setCurrentIndex(dialog_.cbDictionaryIndex);
  }
  lbThesaurus_->setText(FromAnsi(dialog_.lbThesaurus));
  if (edUserDictionary_->text() != FromAnsi(dialog_.edUserDictionary))
    edUserDictionary_->setText(FromAnsi(dialog_.edUserDictionary));
}

}  // namespace norvane
