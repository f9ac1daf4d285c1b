#include "gui/options_dialog_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/ansi_text.h"
#include "gui/component_widgets.h"
#include "settings/form_options.h"
#include "ui/word_tables.h"

namespace norvane {

namespace {

QLabel* Label(const char* name, const char* caption, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->setBuddy(buddy);
  return label;
}

QWidget* Page(QTabWidget* pages, const char* name, const char* caption) {
  auto* page = new QWidget;
  page->setObjectName(name);
  pages->addTab(page, caption);
  return page;
}

}  // namespace

OptionsDialogView::OptionsDialogView(TFormOptions& form, const TWordTables* tables, QWidget* parent,
                                     ViewGuard guard)
    : ModalFormView(form, parent, std::move(guard)), options_(form) {
  setObjectName("FormOptions");
  setWindowTitle("Options");
  pages_ = new QTabWidget(this);
  pages_->setObjectName("PageControl1");
  pages_->setUsesScrollButtons(false);  // every page's tab in sight

  QWidget* connection = Page(pages_, "TabSheet1", "Connection");
  connections_ = UpDown("edConnections", options_.edConnections);
  timeOut_ = UpDown("edTimeOut", options_.edTimeOut);
  from_ = Edit("edFrom", options_.edFrom);
  auto* connectionLayout = new QFormLayout(connection);
  connectionLayout->addRow(Label("Label3", "&Connections:", connections_, connection), connections_);
  connectionLayout->addRow(Label("Label6", "Time&out:", timeOut_, connection), timeOut_);
  connectionLayout->addRow(Label("Label2", "&From:", from_, connection), from_);
  EditRow(connectionLayout, "edGateway", "&Relay host:", options_.edGateway);
  EditRow(connectionLayout, "edGatewayPort", "Relay &port:", options_.edGatewayPort);
  CheckRow(connectionLayout, "cbMxPreferenceOrder", "Try mail exchangers in &preference order",
           options_.cbMxPreferenceOrder);
  CheckRow(connectionLayout, "cbReuseSessions", "Re&use a connection for further messages",
           options_.cbReuseSessions);
  EditRow(connectionLayout, "edMessagesPerSession",
          "&Messages per connection:", options_.edMessagesPerSession);
  EditRow(connectionLayout, "edDomainConnections", "Connections per &domain:", options_.edDomainConnections);
  EditRow(connectionLayout, "edDomainPace", "Messages per minute per domai&n:", options_.edDomainPace);

  QWidget* dns = Page(pages_, "TabSheet2", "DNS");
  hostFromDomain_ = new QRadioButton("Host name is the &domain of your FROM field", dns);
  hostFromDomain_->setObjectName("rbHostFromDomain");
  specifyHost_ = new QRadioButton("Sp&ecify a host name", dns);
  specifyHost_->setObjectName("edSpecifyHost");
  host_ = Edit("edHost", options_.edHost);
  dns1_ = Edit("edDNS1", options_.edDNS1);
  dns2_ = Edit("edDNS2", options_.edDNS2);
  auto* dnsLayout = new QFormLayout(dns);
  dnsLayout->addRow(hostFromDomain_);
  dnsLayout->addRow(specifyHost_);
  dnsLayout->addRow(Label("Label1", "&Host name:", host_, dns), host_);
  dnsLayout->addRow(Label("Label4", "&Primary DNS:", dns1_, dns), dns1_);
  dnsLayout->addRow(Label("Label5", "&Secondary DNS:", dns2_, dns), dns2_);
  CheckRow(dnsLayout, "cbCacheAnswers", "&Keep DNS answers during a run", options_.cbCacheAnswers);

  QWidget* spelling = Page(pages_, "btConfigure", "Spell Checker");
  runSpellChecker_ = new QCheckBox("&Run spell checker before sending ", spelling);
  runSpellChecker_->setObjectName("cbRunSpellChecker");
  auto* configure = new QPushButton("&Configuration...", spelling);
  configure->setObjectName("Button3");
  auto* spellingLayout = new QVBoxLayout(spelling);
  spellingLayout->addWidget(runSpellChecker_);
  auto* configureRow = new QHBoxLayout;
  configureRow->addWidget(configure);
  configureRow->addStretch();
  spellingLayout->addLayout(configureRow);
  spellingLayout->addStretch();

  QFormLayout* security = FormPage("tsSecurity", "Security");
  QComboBox* gatewayTls = Words("cbGatewayTls", options_.cbGatewayTls, {"starttls", "implicit", "none"});
  security->addRow(Label("lbGatewayTls", "TLS to the &relay:", gatewayTls, security->parentWidget()),
                   gatewayTls);
  QComboBox* directTls = Words("cbDirectTls", options_.cbDirectTls, {"opportunistic", "off"});
  security->addRow(Label("lbDirectTls", "TLS to mail &exchangers:", directTls, security->parentWidget()),
                   directTls);
  EditRow(security, "edCaFile", "&Trusted authorities (PEM file):", options_.edCaFile);
  EditRow(security, "edUser", "Relay &user name:", options_.edUser);
  EditRow(security, "edPassword", "Relay pass&word:", options_.edPassword);
  findChild<QLineEdit*>("edPassword")->setEchoMode(QLineEdit::Password);

  QFormLayout* message = FormPage("tsMessage", "Message");
  CheckRow(message, "cbMimeEncoding", "&MIME encoding", options_.cbMimeEncoding);
  EditRow(message, "edListUnsubscribe", "&List-Unsubscribe:", options_.edListUnsubscribe);

  QFormLayout* dkim = FormPage("tsDkim", "DKIM");
  EditRow(dkim, "edDkimDomain", "Signing &domain:", options_.edDkimDomain);
  EditRow(dkim, "edDkimSelector", "&Selector:", options_.edDkimSelector);
  EditRow(dkim, "edDkimKeyFile", "Private &key file:", options_.edDkimKeyFile);

  QFormLayout* delivery = FormPage("tsDelivery", "Delivery");
  EditRow(delivery, "edRetries", "&Retries of a temporary failure:", options_.edRetries);
  EditRow(delivery, "edRetryDelay", "Seconds &between retries:", options_.edRetryDelay);

  error_ = new QLabel(this);
  error_->setObjectName("lbError");
  error_->setWordWrap(true);
  error_->setStyleSheet(QStringLiteral("color: #b00020;"));
  error_->hide();

  QHBoxLayout* buttons = OkCancelRow([this] { Forward([this] { options_.Button1Click(); }); },
                                     [this] { Forward([this] { options_.Button2Click(); }); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(error_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  ApplyWordTable(*this, tables, kFormOptionsWords);

  connect(pages_, &QTabWidget::currentChanged, this, [this](int index) { options_.PageIndex = index; });
  connect(hostFromDomain_, &QRadioButton::clicked, this,
          [this] { Forward([this] { options_.SelectHostFromDomain(true); }); });
  connect(specifyHost_, &QRadioButton::clicked, this,
          [this] { Forward([this] { options_.SelectHostFromDomain(false); }); });
  connect(runSpellChecker_, &QCheckBox::toggled, this,
          [this](bool checked) { options_.cbRunSpellChecker = checked; });
  connect(configure, &QPushButton::clicked, this, [this] { Forward([this] { options_.Button3Click(); }); });
}

QSpinBox* OptionsDialogView::UpDown(const char* name, TUpDownEdit& field) {
  auto* box = new QSpinBox(this);
  box->setObjectName(name);
  box->setRange(field.Min, field.Max);
  box->setWrapping(false);
  connect(box, &QSpinBox::valueChanged, this, [&field](int value) { field.SetPosition(value); });
  return box;
}

QLineEdit* OptionsDialogView::Edit(const char* name, std::string& field) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  edit->setValidator(new AnsiValidator(edit));
  connect(edit, &QLineEdit::textEdited, this, [&field](const QString& text) { field = ToAnsi(text); });
  return edit;
}

QCheckBox* OptionsDialogView::Check(const char* name, const char* caption, bool& field) {
  auto* box = new QCheckBox(caption, this);
  box->setObjectName(name);
  connect(box, &QCheckBox::toggled, this, [&field](bool checked) { field = checked; });
  checks_.emplace_back(box, &field);
  return box;
}

// The settings' words in a box that also takes a word typed in, which OK checks.
QComboBox* OptionsDialogView::Words(const char* name, std::string& field, const QStringList& words) {
  auto* box = new QComboBox(this);
  box->setObjectName(name);
  box->setEditable(true);
  box->addItems(words);
  box->lineEdit()->setValidator(new AnsiValidator(box));
  connect(box, &QComboBox::currentTextChanged, this, [&field](const QString& text) { field = ToAnsi(text); });
  words_.emplace_back(box, &field);
  return box;
}

QFormLayout* OptionsDialogView::FormPage(const char* name, const char* caption) {
  return new QFormLayout(Page(pages_, name, caption));
}

void OptionsDialogView::EditRow(QFormLayout* page, const char* name, const char* caption,
                                std::string& field) {
  QLineEdit* edit = Edit(name, field);
  edits_.emplace_back(edit, &field);
  // "edGateway" is labelled by "lbGateway".
  const std::string labelName = std::string("lb") + (name + 2);
  page->addRow(Label(labelName.c_str(), caption, edit, page->parentWidget()), edit);
}

void OptionsDialogView::CheckRow(QFormLayout* page, const char* name, const char* caption, bool& field) {
  page->addRow(Check(name, caption, field));
}

void OptionsDialogView::ShowExtraFields() {
  for (auto& [edit, field] : edits_) edit->setText(FromAnsi(*field));
  for (auto& [box, field] : checks_) box->setChecked(*field);
  for (auto& [box, field] : words_) box->setCurrentText(FromAnsi(*field));
  error_->setText(FromAnsi(options_.ErrorText));
  error_->setVisible(!options_.ErrorText.empty());
}

void OptionsDialogView::ShowFields() {
  pages_->setCurrentIndex(options_.PageIndex);
  connections_->setValue(options_.edConnections.Position);
  timeOut_->setValue(options_.edTimeOut.Position);
  from_->setText(FromAnsi(options_.edFrom));
  hostFromDomain_->setChecked(options_.rbHostFromDomain);
  specifyHost_->setChecked(options_.edSpecifyHost);
  host_->setText(FromAnsi(options_.edHost));
  host_->setEnabled(options_.edHostEnabled);
  dns1_->setText(FromAnsi(options_.edDNS1));
  dns2_->setText(FromAnsi(options_.edDNS2));
  runSpellChecker_->setChecked(options_.cbRunSpellChecker);
  ShowExtraFields();
}

void RunOptionsDialog(TFormOptions& form, const TWordTables* tables, QWidget* parent, ViewGuard guard) {
  OptionsDialogView view(form, tables, parent, std::move(guard));
  view.Run();
}

}  // namespace norvane
