#include "gui/import_dialog_view.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/ansi_text.h"
#include "gui/component_widgets.h"
#include "gui/elided_path_label.h"
#include "import/import_dialog.h"
#include "ui/word_tables.h"

namespace norvane {

namespace {

// The progress is redrawn this often while an import runs.
constexpr int kProgressIntervalMs = 100;

QLabel* BoldLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

QLabel* Label(const char* name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

// A choice of two as a radio group the word table fills: its caption, then its items in order.
QGroupBox* RadioGroup(const char* name, const QString& caption, const QString& first, const QString& second,
                      QRadioButton* (&items)[2], QWidget* parent) {
  auto* group = new QGroupBox(caption, parent);
  group->setObjectName(QString::fromLatin1(name));
  group->setProperty("radioGroup", true);
  auto* layout = new QVBoxLayout(group);
  items[0] = new QRadioButton(first, group);
  items[1] = new QRadioButton(second, group);
  layout->addWidget(items[0]);
  layout->addWidget(items[1]);
  return group;
}

void ShowChoice(QGroupBox* group, QRadioButton* (&items)[2], const TRadioGroupState& state) {
  group->setEnabled(state.Enabled);
  if (state.ItemIndex >= 0 && state.ItemIndex < 2) items[state.ItemIndex]->setChecked(true);
}

}  // namespace

ImportDialogView::ImportDialogView(TModalOf<TImportDialog>& modal, const TWordTables* tables, QWidget* parent,
                                   ViewGuard guard)
    : ModalFormView(modal, parent, std::move(guard)), modal_(modal), dialog_(modal.Form_) {
  setObjectName(QStringLiteral("ImportDialog"));
  setWindowTitle(FromAnsi(dialog_.Caption));

  auto* label3 = Label("Label3", QStringLiteral("Filename:"), this);
  lbFilename_ = new ElidedPathLabel(this);
  lbFilename_->setObjectName(QStringLiteral("lbFilename"));
  auto* label4 = Label("Label4", QStringLiteral("File Kind:"), this);
  lbKind_ = BoldLabel("lbKind", this);
  auto* label1 = Label("Label1", QStringLiteral("Which column contains the &e-mail address?"), this);
  cbEmail_ = new QComboBox(this);
  cbEmail_->setObjectName(QStringLiteral("cbEmail"));
  cbEmail_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbEmail_->setMinimumContentsLength(24);
  label1->setBuddy(cbEmail_);
  rgFirstLine_ = RadioGroup("rgFirstLine", QStringLiteral("First Line is:"), QStringLiteral("&Data"),
                            QStringLiteral("&Header"), firstLine_, this);
  rgMode_ = RadioGroup("rgMode", QStringLiteral("Mode:"), QStringLiteral("&Append"),
                       QStringLiteral("&Replace"), mode_, this);
  pBar_ = new QProgressBar(this);
  pBar_->setObjectName(QStringLiteral("PBar"));
  pBar_->setTextVisible(false);
  btImport_ = new QPushButton(QStringLiteral("&Import"), this);
  btImport_->setObjectName(QStringLiteral("btImport"));
  btImport_->setDefault(true);
  auto* btCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btCancel->setObjectName(QStringLiteral("btCancel"));
  btCancel->setAutoDefault(false);

  auto* file = new QGridLayout;
  file->addWidget(label3, 0, 0);
  file->addWidget(lbFilename_, 0, 1);
  file->addWidget(label4, 1, 0);
  file->addWidget(lbKind_, 1, 1);
  file->setColumnStretch(1, 1);
  auto* choices = new QHBoxLayout;
  choices->addWidget(rgFirstLine_, 1);
  choices->addWidget(rgMode_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(pBar_, 1);
  buttons->addWidget(btImport_);
  buttons->addWidget(btCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(file);
  layout->addSpacing(6);
  layout->addWidget(label1);
  layout->addWidget(cbEmail_);
  layout->addLayout(choices);
  layout->addLayout(buttons);
  // A fixed-size dialog, wide enough for a long path before it is shortened.
  setMinimumWidth(440);
  setFixedSize(sizeHint().expandedTo(QSize(440, 0)));

  ApplyWordTable(*this, tables, kImportDialogWords);

  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(kProgressIntervalMs);
  connect(progressTimer_, &QTimer::timeout, this, &ImportDialogView::ShowProgress);
  connect(cbEmail_, &QComboBox::currentIndexChanged, this,
          [this](int index) { dialog_.cbEmail.ItemIndex = index; });
  for (int i = 0; i < 2; ++i) {
    connect(firstLine_[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) dialog_.rgFirstLine.ItemIndex = i;
    });
    connect(mode_[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) dialog_.rgMode.ItemIndex = i;
    });
  }
  connect(btImport_, &QPushButton::clicked, this, [this] {
    progressTimer_->start();
    Forward([this] { dialog_.btImportClick(); });
    progressTimer_->stop();
  });
  connect(btCancel, &QPushButton::clicked, this, [this] { Forward([this] { dialog_.btCancelClick(); }); });
}

void ImportDialogView::ShowFields() {
  lbFilename_->SetPath(FromAnsi(dialog_.lbFilename));
  // The kind's caption comes from the word table until the file's kind is known.
  if (dialog_.FFileKind != TFileKind::fkNone) lbKind_->setText(FromAnsi(dialog_.lbKind));
  {
    QSignalBlocker blocker(cbEmail_);
    cbEmail_->clear();
    for (const std::string& item : dialog_.cbEmail.Items) cbEmail_->addItem(FromAnsi(item));
    cbEmail_->setCurrentIndex(dialog_.cbEmail.ItemIndex);
    cbEmail_->setEnabled(dialog_.cbEmail.Enabled);
  }
  ShowChoice(rgFirstLine_, firstLine_, dialog_.rgFirstLine);
  ShowChoice(rgMode_, mode_, dialog_.rgMode);
  btImport_->setEnabled(dialog_.btImportEnabled);
  ShowProgress();
}

void ImportDialogView::ShowProgress() {
  const TProgressBar& bar = *dialog_.FProgressBar;
  pBar_->setRange(bar.Min, bar.Max);
  pBar_->setValue(bar.Position);
}

bool ImportDialogView::FormEnded() const {
  if (dialog_.Closed && !modal_.Closed()) modal_.ModalResult = TModalFormResult::mrOk;
  return modal_.Closed();
}

void ImportDialogView::CloseBox() {
  dialog_.btCancelClick();
}

void RunImportDialog(TModalOf<TImportDialog>& modal, const TWordTables* tables, QWidget* parent,
                     ViewGuard guard) {
  ImportDialogView view(modal, tables, parent, std::move(guard));
  view.Run();
}

}  // namespace norvane
