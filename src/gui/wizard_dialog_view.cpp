#include "gui/wizard_dialog_view.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "gui/ansi_text.h"
#include "gui/component_widgets.h"
#include "gui/product_picture.h"
#include "import/form_wizard.h"
#include "ui/multi_lang.h"
#include "ui/word_tables.h"

namespace norvane {

namespace {

// Where a control stands in the word table's units (left, top, width, height).
constexpr char kDesignGeometry[] = "designGeometry";
// The table's units are pixels of a font this many pixels high.
constexpr double kDesignFontHeight = 13.0;
constexpr QSize kDesignClientSize(490, 313);
constexpr double kScaleStep = 0.05;
constexpr double kMaxScale = 2.5;
constexpr int kProgressIntervalMs = 100;

// The window is designed in German (the table's design language): these are
// the German positions, and the word table moves the controls to those of
// the start language.
template <typename Widget>
Widget* Placed(Widget* widget, const char* name, QRect design) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setProperty(kDesignGeometry, design);
  return widget;
}

QLabel* Text(QWidget* page, const char* name, const char* text, QRect design) {
  auto* label = Placed(new QLabel(QString::fromLatin1(text), page), name, design);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text, QRect design) {
  auto* button = Placed(new QPushButton(QString::fromLatin1(text), parent), name, design);
  button->setAutoDefault(false);
  return button;
}

QLabel* Picture(QWidget* page, const char* name, QStyle::StandardPixmap icon, QRect design) {
  auto* image = Placed(new QLabel(page), name, design);
  image->setPixmap(page->style()->standardIcon(icon).pixmap(16, 16));
  image->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  return image;
}

void ShowText(QLineEdit* edit, const std::string& text) {
  // Only a real change is written, so the caret stays where the person types.
  if (edit->text() != FromAnsi(text)) edit->setText(FromAnsi(text));
}

QRect Scaled(QRect design, double scale) {
  auto s = [scale](int value) { return static_cast<int>(std::lround(value * scale)); };
  return {s(design.x()), s(design.y()), s(design.width()), s(design.height())};
}

}  // namespace

WizardDialogView::WizardDialogView(TModalOf<TFormWizard>& modal, const TWordTables* tables, QWidget* parent,
                                   ViewGuard guard)
    : ModalFormView(modal, parent, std::move(guard)), modal_(modal), wizard_(modal.Form_) {
  setObjectName(QStringLiteral("FormWizard"));
  setWindowTitle(FromAnsi(wizard_.Caption));
  // No close box: only Cancel (or Escape) ends the wizard without creating.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  auto* image1 = Placed(new QLabel(this), "Image1", QRect(10, 10, 130, 245));
  image1->setScaledContents(true);
  image1->setPixmap(ProductPicture(QSize(130, 245) * 2, false));
  image1->setFrameShape(QFrame::StyledPanel);
  notebook_ = Placed(new QTabWidget(this), "Notebook", QRect(150, 10, 330, 245));
  notebook_->tabBar()->hide();
  notebook_->setDocumentMode(true);
  auto* bevel1 = Placed(new QFrame(this), "bevel1", QRect(10, 265, 470, 8));
  bevel1->setFrameShape(QFrame::HLine);
  bevel1->setFrameShadow(QFrame::Sunken);
  btBack_ = Button(this, "btBack", "< &Back", QRect(244, 280, 75, 23));
  btNext_ = Button(this, "btNext", "Ne&xt>", QRect(324, 280, 75, 23));
  btNext_->setDefault(true);
  auto* btCancel = Button(this, "btCancel", "Cancel", QRect(405, 280, 75, 23));
  BuildPages();
  ApplyWords(tables);
  PlaceControls();

  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(kProgressIntervalMs);
  connect(progressTimer_, &QTimer::timeout, this, &WizardDialogView::ShowProgress);
  connect(btBack_, &QPushButton::clicked, this, [this] { Forward([this] { wizard_.ChangeTab(-1); }); });
  connect(btNext_, &QPushButton::clicked, this, [this] {
    // Create! imports inside this click; the list must not change under it.
    btBack_->setEnabled(false);
    btNext_->setEnabled(false);
    progressTimer_->start();
    Forward([this] { wizard_.ChangeTab(+1); });
    progressTimer_->stop();
    btNext_->setEnabled(true);
    btBack_->setEnabled(wizard_.btBackEnabled);
  });
  connect(btCancel, &QPushButton::clicked, this, [this] { Forward([this] { wizard_.btCancelClick(); }); });
}

void WizardDialogView::BuildPages() {
  auto page = [this] {
    auto* widget = new QWidget;
    notebook_->addTab(widget, QString());
    return widget;
  };
  // The page names are the table's; the tabs are hidden, Back and Next turn the pages.
  QWidget* welcome = page();
  QLabel* label1 = Text(welcome, "Label1", "Welcome!", QRect(8, 8, 300, 29));
  QFont large = label1->font();
  large.setBold(true);
  large.setItalic(true);
  large.setPointSizeF(large.pointSizeF() * 1.8);
  label1->setFont(large);
  Text(welcome, "Label2", "The Mailing Wizard will help you to create a new mailing project.",
       QRect(8, 56, 310, 30));
  Text(welcome, "Label3",
       "Press the Next button to begin.  You can press the Cancel button if you do not want to finish the "
       "creation process.",
       QRect(8, 104, 310, 58));

  QWidget* from = page();
  Text(from, "Label15", "You need to choose a valid e-mail address for the FROM field of the messages.",
       QRect(8, 8, 310, 30));
  Text(from, "Label18",
       "You can use your name followed by your e-mail address enclosed by angle brackets, for instance: ",
       QRect(8, 46, 310, 30));
  QLabel* label19 = Text(from, "Label19", "John Smith <john.smith@example.com>", QRect(8, 80, 310, 13));
  label19->setTextFormat(Qt::PlainText);
  QFont bold = label19->font();
  bold.setBold(true);
  label19->setFont(bold);
  QLabel* label16 = Text(from, "Label16", "&FROM field:", QRect(8, 112, 310, 13));
  edFrom_ = Placed(new QLineEdit(from), "edFrom", QRect(8, 128, 310, 21));
  edFrom_->setValidator(new AnsiValidator(edFrom_));
  label16->setBuddy(edFrom_);
  Text(from, "Label17",
       "Make sure the domain in the e-mail address really exists because it is used for authentication with "
       "the "
       "remote server.",
       QRect(8, 164, 310, 44));

  QWidget* subject = page();
  Text(subject, "Label12", "Choose the subject of the messages", QRect(8, 8, 310, 13));
  QLabel* label13 = Text(subject, "Label13", "&Subject:", QRect(8, 40, 310, 13));
  edSubject_ = Placed(new QLineEdit(subject), "edSubject", QRect(8, 56, 310, 21));
  edSubject_->setValidator(new AnsiValidator(edSubject_));
  label13->setBuddy(edSubject_);

  QWidget* datasource = page();
  Text(datasource, "Label4", "Please select a data source type and the corresponding filename.",
       QRect(8, 8, 310, 30));
  QLabel* label5 = Text(datasource, "Label5", "&Data source type:", QRect(8, 48, 310, 13));
  cbDatasourceType_ = Placed(new QComboBox(datasource), "cbDatasourceType", QRect(8, 64, 310, 21));
  for (const std::string& item : wizard_.cbDatasourceType.Items) cbDatasourceType_->addItem(FromAnsi(item));
  label5->setBuddy(cbDatasourceType_);
  QLabel* label8 = Text(datasource, "Label8", "&Filename:", QRect(8, 96, 310, 13));
  edFilename_ = Placed(new QLineEdit(datasource), "edFilename", QRect(8, 112, 230, 21));
  edFilename_->setValidator(new AnsiValidator(edFilename_));
  label8->setBuddy(edFilename_);
  auto* btBrowse = Button(datasource, "btBrowse", "&Browse...", QRect(243, 111, 75, 23));

  QWidget* fields = page();
  Text(fields, "Label9", "Now select the field which contains the email address.", QRect(8, 8, 310, 13));
  QLabel* label23 = Text(fields, "Label23", "&Fields available on the chosen file:", QRect(8, 32, 310, 13));
  fieldListBox_ = Placed(new QListWidget(fields), "FieldListBox", QRect(8, 48, 310, 120));
  label23->setBuddy(fieldListBox_);
  rgFirstLine_ = Placed(new QGroupBox(QStringLiteral("The values above are:"), fields), "rgFirstLine",
                        QRect(8, 176, 310, 44));
  rgFirstLine_->setProperty("radioGroup", true);
  auto* sideBySide = new QHBoxLayout(rgFirstLine_);
  sideBySide->setContentsMargins(8, 2, 8, 2);
  firstLine_[0] = new QRadioButton(QStringLiteral("&Data"), rgFirstLine_);
  firstLine_[1] = new QRadioButton(QStringLiteral("&Header"), rgFirstLine_);
  sideBySide->addWidget(firstLine_[0]);
  sideBySide->addWidget(firstLine_[1]);

  QWidget* message = page();
  Text(message, "Label10", "Please select a message file", QRect(8, 8, 310, 13));
  rbNewMessage_ = Placed(
      new QRadioButton(QStringLiteral("&New message (I will type the message on the work place)"), message),
      "rbNewMessage", QRect(8, 36, 310, 17));
  rbFromExistent_ = Placed(new QRadioButton(QStringLiteral("&From an existing file"), message),
                           "rbFromExistent", QRect(8, 60, 310, 17));
  QLabel* label11 = Text(message, "Label11", "Fil&ename:", QRect(24, 88, 200, 13));
  edMessageFile_ = Placed(new QLineEdit(message), "edMessageFile", QRect(24, 104, 214, 21));
  edMessageFile_->setValidator(new AnsiValidator(edMessageFile_));
  edMessageFile_->installEventFilter(this);
  label11->setBuddy(edMessageFile_);
  auto* button1 = Button(message, "Button1", "&Browse...", QRect(243, 103, 75, 23));

  QWidget* finish = page();
  Text(finish, "Label6",
       "The Mailing wizard is ready to create a new mailing project for you.  Now, press Create! to create "
       "the "
       "project or Cancel to exit without creating the new project.",
       QRect(8, 8, 310, 58));
  Text(finish, "Label7", "On the main screen, you can use the following controls:", QRect(8, 70, 310, 13));
  Picture(finish, "Image2", QStyle::SP_MediaPlay, QRect(8, 90, 16, 16));
  Picture(finish, "Image3", QStyle::SP_MediaStop, QRect(8, 124, 16, 16));
  Picture(finish, "Image4", QStyle::SP_DialogSaveButton, QRect(8, 158, 16, 16));
  Picture(finish, "Image5", QStyle::SP_DialogOpenButton, QRect(8, 192, 16, 16));
  Text(finish, "lb1",
       "To start sending the messages. Make sure you are connected to the Internet before (command File | "
       "Send).",
       QRect(32, 90, 290, 28));
  Text(finish, "lb2",
       "Stops sending messages immediately.  Of course you can resume later. (command File | Stop).",
       QRect(32, 124, 290, 28));
  Text(finish, "lb3",
       "To save the new project.  You can save the project anytime to resume later. (command File | Save).",
       QRect(32, 158, 290, 28));
  Text(finish, "lb4",
       "To open a saved project.  You can open the project anytime to resume or modify it. (command File | "
       "Open).",
       QRect(32, 192, 290, 28));
  Text(finish, "Label14", "Progress...", QRect(8, 224, 310, 13));
  pBar_ = Placed(new QProgressBar(finish), "PBar", QRect(8, 240, 310, 16));
  pBar_->setTextVisible(false);

  const char* names[] = {"Welcome",         "From",        "Subject", "Datasource",
                         "Field selection", "Mesage file", "Finish"};
  for (int i = 0; i < notebook_->count(); ++i) notebook_->setTabText(i, QString::fromLatin1(names[i]));

  connect(edFrom_, &QLineEdit::textEdited, this,
          [this](const QString& text) { wizard_.edFrom = ToAnsi(text); });
  connect(edSubject_, &QLineEdit::textEdited, this,
          [this](const QString& text) { wizard_.edSubject = ToAnsi(text); });
  connect(cbDatasourceType_, &QComboBox::currentIndexChanged, this,
          [this](int index) { wizard_.cbDatasourceType.ItemIndex = index; });
  connect(edFilename_, &QLineEdit::textEdited, this,
          [this](const QString& text) { wizard_.edFilename = ToAnsi(text); });
  connect(btBrowse, &QPushButton::clicked, this, [this] { Forward([this] { wizard_.btBrowseClick(); }); });
  connect(fieldListBox_, &QListWidget::currentRowChanged, this,
          [this](int row) { wizard_.FieldListBox.ItemIndex = row; });
  for (int i = 0; i < 2; ++i)
    connect(firstLine_[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) wizard_.rgFirstLine.ItemIndex = i;
    });
  connect(rbNewMessage_, &QRadioButton::toggled, this, [this](bool on) {
    wizard_.rbNewMessage = on;
    wizard_.rbFromExistent = !on;
  });
  connect(edMessageFile_, &QLineEdit::textEdited, this,
          [this](const QString& text) { wizard_.edMessageFile = ToAnsi(text); });
  connect(button1, &QPushButton::clicked, this, [this] { Forward([this] { wizard_.Button1Click(); }); });
}

void WizardDialogView::ApplyWords(const TWordTables* tables) {
  if (tables == nullptr) return;
  TComponentTree tree = ComponentsOf(*this);
  for (TUiComponent& component : tree.Components()) {
    // A tab widget reads as a page control; the table gives this one its pages as a notebook's.
    if (component.Name == "Notebook") component.Kind = TComponentKind::Notebook;
    QWidget* widget = findChild<QWidget*>(QString::fromStdString(component.Name));
    if (widget == nullptr || !widget->property(kDesignGeometry).isValid()) continue;
    QRect design = widget->property(kDesignGeometry).toRect();
    component.At(design.x(), design.y(), design.width(), design.height());
  }
  try {
    TMultiLang words(tree, nullptr);
    words.Load(tables->Of(kFormWizardWords));
  } catch (const std::exception&) {
    return;  // reported when the tables were read; the design stands
  }
  ApplyComponents(tree, *this);
  for (const TUiComponent& component : tree.Components()) {
    if (!component.Left || !component.Top || !component.Width || !component.Height) continue;
    if (QWidget* widget = findChild<QWidget*>(QString::fromStdString(component.Name)))
      widget->setProperty(kDesignGeometry,
                          QRect(*component.Left, *component.Top, *component.Width, *component.Height));
  }
  // The captions the logic switches between are the table's.
  wizard_.btBackCaption = ToAnsi(btBack_->text());
  wizard_.FNextCaption = ToAnsi(btNext_->text());
  wizard_.UpdateButtons();
}

void WizardDialogView::PlaceControls() {
  // A page whose controls reach below the notebook (the German last page)
  // makes the window that much taller rather than cut its progress bar off.
  const QRect notebook = notebook_->property(kDesignGeometry).toRect();
  int pagesBottom = notebook.height();
  for (int i = 0; i < notebook_->count(); ++i)
    for (QWidget* widget : notebook_->widget(i)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (QVariant design = widget->property(kDesignGeometry); design.isValid())
        pagesBottom = std::max(pagesBottom, design.toRect().bottom() + 1);
  const int overflow = pagesBottom - notebook.height();
  QSize client = kDesignClientSize;
  if (overflow > 0) {
    client.rheight() += overflow;
    for (QWidget* widget : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      QVariant design = widget->property(kDesignGeometry);
      if (!design.isValid()) continue;
      QRect rect = design.toRect();
      if (rect.top() >= notebook.bottom()) {
        rect.translate(0, overflow);
      } else if (rect.bottom() >= notebook.bottom()) {
        rect.setBottom(rect.bottom() + overflow);
      }
      widget->setProperty(kDesignGeometry, rect);
    }
  }
  // The table's pixels are those of a smaller font than the desktop's: the
  // whole window grows evenly until every text fits its control.
  double scale = std::max(1.0, fontMetrics().height() / kDesignFontHeight);
  while (scale < kMaxScale && !TextsFit(scale)) scale += kScaleStep;
  for (QWidget* widget : findChildren<QWidget*>()) {
    QVariant design = widget->property(kDesignGeometry);
    if (design.isValid()) widget->setGeometry(Scaled(design.toRect(), scale));
  }
  setFixedSize(Scaled(QRect(QPoint(), client), scale).size());
}

bool WizardDialogView::TextsFit(double scale) const {
  for (QWidget* widget : findChildren<QWidget*>()) {
    QVariant design = widget->property(kDesignGeometry);
    if (!design.isValid()) continue;
    const QRect box = Scaled(design.toRect(), scale);
    if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && !label->text().isEmpty()) {
      const int needed = label->wordWrap() ? label->heightForWidth(box.width()) : label->sizeHint().height();
      if (needed > box.height() || (!label->wordWrap() && label->sizeHint().width() > box.width()))
        return false;
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      if (button->sizeHint().width() > box.width()) return false;
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      if (group->minimumSizeHint().height() > box.height()) return false;
    }
  }
  return true;
}

void WizardDialogView::ShowFields() {
  notebook_->setCurrentIndex(wizard_.PageIndex);
  ShowText(edFrom_, wizard_.edFrom);
  ShowText(edSubject_, wizard_.edSubject);
  {
    QSignalBlocker blocker(cbDatasourceType_);
    cbDatasourceType_->setCurrentIndex(wizard_.cbDatasourceType.ItemIndex);
    cbDatasourceType_->setEnabled(wizard_.cbDatasourceType.Enabled);
  }
  ShowText(edFilename_, wizard_.edFilename);
  {
    QSignalBlocker blocker(fieldListBox_);
    QStringList items;
    for (const std::string& item : wizard_.FieldListBox.Items) items << FromAnsi(item);
    QStringList shown;
    for (int i = 0; i < fieldListBox_->count(); ++i) shown << fieldListBox_->item(i)->text();
    if (items != shown) {
      fieldListBox_->clear();
      fieldListBox_->addItems(items);
    }
    fieldListBox_->setCurrentRow(wizard_.FieldListBox.ItemIndex);
  }
  {
    QSignalBlocker first(firstLine_[0]), second(firstLine_[1]);
    rgFirstLine_->setEnabled(wizard_.rgFirstLine.Enabled);
    if (wizard_.rgFirstLine.ItemIndex >= 0 && wizard_.rgFirstLine.ItemIndex < 2)
      firstLine_[wizard_.rgFirstLine.ItemIndex]->setChecked(true);
  }
  {
    QSignalBlocker blocker(rbNewMessage_);
    rbNewMessage_->setChecked(wizard_.rbNewMessage);
    rbFromExistent_->setChecked(wizard_.rbFromExistent);
  }
  ShowText(edMessageFile_, wizard_.edMessageFile);
  ShowProgress();
  btBack_->setText(FromAnsi(wizard_.btBackCaption));
  btBack_->setEnabled(wizard_.btBackEnabled);
  btNext_->setText(FromAnsi(wizard_.btNextCaption));
}

void WizardDialogView::ShowProgress() {
  pBar_->setRange(wizard_.PBar.Min, wizard_.PBar.Max);
  pBar_->setValue(wizard_.PBar.Position);
}

bool WizardDialogView::FormEnded() const {
  if (wizard_.Closed && !modal_.Closed()) modal_.ModalResult = TModalFormResult::mrOk;
  return modal_.Closed();
}

void WizardDialogView::CloseBox() {
  wizard_.btCancelClick();
}

bool WizardDialogView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edMessageFile_ && event->type() == QEvent::MouseButtonPress)
    Forward([this] { wizard_.edMessageFileClick(); });
  return ModalFormView::eventFilter(watched, event);
}

void RunWizardDialog(TModalOf<TFormWizard>& modal, const TWordTables* tables, QWidget* parent,
                     ViewGuard guard) {
  WizardDialogView view(modal, tables, parent, std::move(guard));
  view.Run();
}

}  // namespace norvane
