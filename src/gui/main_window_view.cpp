#include "gui/main_window_view.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/main_form.h"
#include "app/tools_help_commands.h"
#include "gui/actions_without_view.h"
#include "gui/ansi_text.h"
#include "gui/body_editor.h"
#include "gui/event_loop_bridge.h"
#include "gui/qt_main_form_ui.h"
#include "gui/recipient_table_view.h"

namespace norvane {

namespace {

// The initial size and the minimum of the main window.
constexpr int kInitialWidth = 648;
constexpr int kInitialHeight = 526;
constexpr int kMinWidth = 300;
constexpr int kMinHeight = 100;
constexpr int kPanelHeight = 52;
constexpr int kBarWidth = 3;
constexpr int kStatusPanelWidth = 120;
constexpr int kStatusRepaintMs = 100;
constexpr int kNoteMs = 4000;

// The recipient list; swapping its view is one line here.
RecipientTableView* MakeRecipientList(TMainForm& form, QWidget* parent) {
  return new RecipientTableView(form, parent);
}

struct ToolButton {
  const char* name;  // in the word table
  const char* action;
  const char* theme;
  QStyle::StandardPixmap fallback;
};

// Left to right; an empty name is a gap between groups.
const std::vector<ToolButton>& ToolButtons() {
  static const std::vector<ToolButton> buttons = {
      {"ToolButton8", "acNew", "document-new", QStyle::SP_FileIcon},
      {"ToolButton9", "acOpen", "document-open", QStyle::SP_DialogOpenButton},
      {"ToolButton1", "acSave", "document-save", QStyle::SP_DialogSaveButton},
      {"", "", "", QStyle::SP_CustomBase},
      {"ToolButton2", "acPreview", "document-print-preview", QStyle::SP_FileDialogContentsView},
      {"", "", "", QStyle::SP_CustomBase},
      {"ToolButton14", "acFind", "edit-find", QStyle::SP_FileDialogDetailedView},
      {"", "", "", QStyle::SP_CustomBase},
      {"ToolButton3", "acStart", "mail-send", QStyle::SP_MediaPlay},
      {"ToolButton5", "acAbort", "process-stop", QStyle::SP_MediaStop},
      {"", "", "", QStyle::SP_CustomBase},
      {"ToolButton7", "acOptions", "preferences-system", QStyle::SP_FileDialogListView},
      {"ToolButton12", "acSpellChecker", "tools-check-spelling", QStyle::SP_DialogApplyButton},
  };
  return buttons;
}

QString Text(const std::string& ansi) {
  return FromAnsi(ansi);
}

}  // namespace

MainWindowView::MainWindowView(TMainForm& form, QtMainFormUi& ui, EventLoopBridge& bridge, QWidget* parent)
    : QMainWindow(parent), form_(form), ui_(ui), texts_(ReadMainFormTexts(form.WordTables)) {
  setObjectName(QStringLiteral("MainForm"));
  ui_.SetParent(this);
  ui_.SetForm(&form_);
  resize(kInitialWidth, kInitialHeight);
  setMinimumSize(kMinWidth, kMinHeight);
  setAcceptDrops(true);
  BuildCentre();
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();

  statusTimer_.setSingleShot(true);
  statusTimer_.setInterval(kStatusRepaintMs);
  connect(&statusTimer_, &QTimer::timeout, this, [this] { RefreshStatus(); });
  connect(&bridge, &EventLoopBridge::Dispatched, this, [this] { OnLoopDispatched(); });
  ui_.BeforeModal = [this] {
    RefreshActions();
    RefreshTexts();
    RefreshStatus();
  };
  // Outcomes can arrive by the thousand a second: rows and counters are
  // shown together at most ten times a second, not once per outcome.
  // Thesaurus follows the focused box, so its shortcut works without the
  // Tools menu having been opened first.
  connect(qApp, &QApplication::focusChanged, this, [this] {
    form_.Guarded([&] { form_.ToolsHelp.Tools1Click(); });
    RefreshActions();
  });
  form_.Sending.OnRowChanged = [this](int row) {
    if (pendingRows_.empty() || pendingRows_.back() != row) pendingRows_.push_back(row);
    ScheduleStatus();
  };
}

MainWindowView::~MainWindowView() {
  disconnect(qApp, nullptr, this, nullptr);
  form_.Sending.OnRowChanged = nullptr;
  form_.Window.OnMakeVisible = nullptr;
  ui_.BeforeModal = nullptr;
  ui_.SetParent(nullptr);
}

// ---- construction ----------------------------------------------------------

void MainWindowView::BuildCentre() {
  recipients_ = MakeRecipientList(form_, this);
  connect(recipients_, &RecipientTableView::LogicChanged, this, [this] {
    RefreshActions();
    RefreshTexts();
  });
  recipients_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(recipients_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(this);
    FillMenu(&menu, form_.Window.Menus.PopupMenuList, false);
    RefreshActions();
    menu.exec(recipients_->viewport()->mapToGlobal(at));
  });

  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel2"));
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(6, 3, 3, 3);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  edTo_ = new QLineEdit(panel);
  edTo_->setObjectName(QStringLiteral("edTo"));
  edSubject_ = new QLineEdit(panel);
  edSubject_->setObjectName(QStringLiteral("edSubject"));
  auto* labelTo = new QLabel(Text(texts_.Caption("Label1")), panel);
  labelTo->setObjectName(QStringLiteral("Label1"));
  labelTo->setBuddy(edTo_);
  auto* labelSubject = new QLabel(Text(texts_.Caption("Label2")), panel);
  labelSubject->setObjectName(QStringLiteral("Label2"));
  labelSubject->setBuddy(edSubject_);
  grid->addWidget(labelTo, 0, 0);
  grid->addWidget(edTo_, 0, 1);
  grid->addWidget(labelSubject, 1, 0);
  grid->addWidget(edSubject_, 1, 1);
  grid->setColumnStretch(1, 1);
  panel->setFixedHeight(std::max(kPanelHeight, panel->sizeHint().height()));
  for (QLineEdit* edit : {edTo_, edSubject_}) {
    auto* validator = new AnsiValidator(edit);
    edit->setValidator(validator);
    connect(validator, &AnsiValidator::Refused, this, [this] { NoteRefused(); });
  }
  connect(edTo_, &QLineEdit::textEdited, this, [this](const QString& text) {
    shownTo_ = ToAnsi(text);
    form_.Project.SetTo(shownTo_);
  });
  connect(edSubject_, &QLineEdit::textEdited, this, [this](const QString& text) {
    shownSubject_ = ToAnsi(text);
    form_.Project.SetSubject(shownSubject_);
  });

  memo_ = new BodyEditor(this);
  memo_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(memo_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) { ShowBodyMenu(at); });
  connect(memo_, &BodyEditor::Refused, this, [this] { NoteRefused(); });
  connect(memo_, &BodyEditor::FilesDropped, this, [this](const QStringList& paths) { DropFiles(paths); });
  connect(memo_, &QPlainTextEdit::textChanged, this, [this] {
    shownBody_ = BodyToAnsi(memo_->toPlainText());
    form_.Project.SetBody(shownBody_);
  });
  auto keepSelection = [this] {
    form_.Window.Memo1SelStart = memo_->AnsiSelStart();
    form_.Window.Memo1SelLength = memo_->AnsiSelLength();
  };
  connect(memo_, &QPlainTextEdit::cursorPositionChanged, this, keepSelection);
  connect(memo_, &QPlainTextEdit::selectionChanged, this, keepSelection);

  attachments_ = new QTreeWidget(this);
  attachments_->setObjectName(QStringLiteral("lvAttachments"));
  attachments_->setRootIsDecorated(false);
  attachments_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  attachments_->setContextMenuPolicy(Qt::CustomContextMenu);
  attachments_->installEventFilter(this);
  connect(attachments_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { ShowAttachmentMenu(at); });
  connect(attachments_, &QTreeWidget::itemSelectionChanged, this, [this] {
    form_.Window.AttachmentsSelected.clear();
    for (QTreeWidgetItem* item : attachments_->selectedItems())
      form_.Window.AttachmentsSelected.insert(attachments_->indexOfTopLevelItem(item));
  });

  auto* editors = new QWidget(this);
  auto* column = new QVBoxLayout(editors);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  bodySplitter_ = new QSplitter(Qt::Vertical, editors);
  bodySplitter_->setObjectName(QStringLiteral("Splitter2"));
  bodySplitter_->setHandleWidth(kBarWidth);
  bodySplitter_->setChildrenCollapsible(false);
  bodySplitter_->addWidget(memo_);
  bodySplitter_->addWidget(attachments_);
  bodySplitter_->setStretchFactor(0, 1);
  column->addWidget(panel);
  column->addWidget(bodySplitter_, 1);

  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setObjectName(QStringLiteral("Splitter1"));
  splitter_->setHandleWidth(kBarWidth);
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(recipients_);
  splitter_->addWidget(editors);
  splitter_->setStretchFactor(1, 1);
  setCentralWidget(splitter_);
}

QAction* MainWindowView::AddEntry(QMenu* menu, const std::string& caption, const std::string& hint,
                                  const std::string& action, bool withShortCut) {
  QAction* entry = menu->addAction(Text(caption));
  entry->setStatusTip(Text(hint));
  if (TAction* data = form_.Window.Actions.Find(action)) {
    if (withShortCut && !data->ShortCut.empty())
      entry->setShortcut(QKeySequence::fromString(QString::fromStdString(data->ShortCut)));
  }
  connect(entry, &QAction::triggered, this, [this, action] { Run(action); });
  entries_.push_back({action, entry});
  return entry;
}

void MainWindowView::FillMenu(QMenu* menu, const TMenu& entries, bool withShortCuts) {
  for (const TMenuEntry& entry : entries) {
    if (entry.Caption == kSeparator) {
      menu->addSeparator();
    } else if (!entry.Action.empty()) {
      AddEntry(menu, entry.Caption, entry.Hint, entry.Action, withShortCuts);
    }
  }
}

void MainWindowView::BuildMenus() {
  fileMenu_ = menuBar()->addMenu(Text(texts_.Caption("File1")));
  fileMenu_->setObjectName(QStringLiteral("File1"));
  RebuildFileMenu();

  QMenu* search = menuBar()->addMenu(Text(texts_.Caption("Search1")));
  search->setObjectName(QStringLiteral("Search1"));
  FillMenu(search, form_.Window.Menus.Search1, true);

  insertMenu_ = menuBar()->addMenu(Text(texts_.Caption("Insert1")));
  insertMenu_->setObjectName(QStringLiteral("Insert1"));
  for (const TMenuEntry& entry : form_.Window.Menus.Insert1) {
    if (!entry.Action.empty()) {
      AddEntry(insertMenu_, entry.Caption, entry.Hint, entry.Action, true);
    } else if (entry.Name == "Field1") {
      fieldMenu_ = insertMenu_->addMenu(Text(entry.Caption));
      fieldMenu_->setObjectName(QStringLiteral("Field1"));
    }
  }
  connect(insertMenu_, &QMenu::aboutToShow, this, [this] {
    form_.Window.Insert1Click();
    FillFieldMenu(fieldMenu_, form_.Window.InsertField);
  });

  toolsMenu_ = menuBar()->addMenu(Text(texts_.Caption("Tools1")));
  toolsMenu_->setObjectName(QStringLiteral("Tools1"));
  QMenu* help = menuBar()->addMenu(Text(texts_.Caption("Help1")));
  help->setObjectName(QStringLiteral("Help1"));
  auto fill = [this](QMenu* menu, const auto& names) {
    for (const char* name : names) {
      if (std::string_view(name) == kSeparator) {
        menu->addSeparator();
      } else if (TAction* action = form_.Window.Actions.Find(name)) {
        AddEntry(menu, action->Caption, action->Hint, action->Name, true);
      }
    }
  };
  fill(toolsMenu_, kToolsMenu);
  fill(help, kHelpMenu);
  connect(toolsMenu_, &QMenu::aboutToShow, this, [this] {
    form_.Guarded([&] { form_.ToolsHelp.Tools1Click(); });
    RefreshActions();
  });
}

void MainWindowView::RebuildFileMenu() {
  std::vector<std::pair<int, std::string>> items;
  for (const auto& item : form_.Window.File1.Items()) items.emplace_back(item.Id, item.Caption);
  if (items == shownFileMenu_) return;
  shownFileMenu_ = items;
  std::erase_if(entries_, [this](const Entry& entry) {
    QObject* owner = entry.qaction->parent();
    return owner == fileMenu_ || (owner != nullptr && owner->parent() == fileMenu_);
  });
  fileMenu_->clear();
  for (QMenu* sub : fileMenu_->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) delete sub;
  for (const auto& [id, caption] : items) {
    if (caption == kSeparator) {
      fileMenu_->addSeparator();
    } else if (id > 0) {
      QAction* recent = fileMenu_->addAction(QString::fromLocal8Bit(caption.data()));
      connect(recent, &QAction::triggered, this, [this, id] {
        form_.MostRecentUsedList1Click(id);
        AfterCommand();
      });
    } else if (caption == "&Recipient") {
      QMenu* recipient = fileMenu_->addMenu(Text(caption));
      recipient->setObjectName(QStringLiteral("Recipient1"));
      FillMenu(recipient, form_.Window.Menus.Recipient1, true);
    } else if (caption == "E&xit") {
      QAction* exit = fileMenu_->addAction(Text(caption));
      exit->setObjectName(QStringLiteral("Exit1"));
      connect(exit, &QAction::triggered, this, [this] { close(); });
    } else {
      for (TAction* action : form_.Window.Actions.All()) {
        if (action->Caption == caption) {
          AddEntry(fileMenu_, caption, action->Hint, action->Name, true);
          break;
        }
      }
    }
  }
  RefreshActions();
}

void MainWindowView::BuildToolBar() {
  toolBar_ = addToolBar(QStringLiteral("ToolBar1"));
  toolBar_->setObjectName(QStringLiteral("ToolBar1"));
  toolBar_->setMovable(false);
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolBar_->setIconSize(QSize(24, 24));
  for (const ToolButton& button : ToolButtons()) {
    if (*button.name == '\0') {
      toolBar_->addSeparator();
      continue;
    }
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(button.theme), style()->standardIcon(button.fallback));
    QString caption = Text(texts_.Caption(button.name)).remove(QLatin1Char('&'));
    QAction* tool = toolBar_->addAction(icon, caption);
    tool->setObjectName(QString::fromLatin1(button.name));
    tool->setToolTip(Text(texts_.Hints.at(button.name)));
    tool->setStatusTip(Text(texts_.Hints.at(button.name)));
    std::string action = button.action;
    connect(tool, &QAction::triggered, this, [this, action] { Run(action); });
    entries_.push_back({action, tool});
  }
  // The content type selector exists but stays hidden: every run sends text.
  cbContentType_ = new QComboBox(toolBar_);
  cbContentType_->setObjectName(QStringLiteral("cbContentType"));
  cbContentType_->addItems({QStringLiteral("Text"), QStringLiteral("HTML")});
  connect(cbContentType_, &QComboBox::currentIndexChanged, this,
          [this](int index) { form_.Project.ContentType = index; });
  toolBar_->addWidget(cbContentType_)->setVisible(false);
}

void MainWindowView::BuildStatusBar() {
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    panels_[i] = new QLabel(statusBar());
    panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
    panels_[i]->setFixedWidth(kStatusPanelWidth);
    panels_[i]->setFrameShape(QFrame::StyledPanel);
    panels_[i]->setFrameShadow(QFrame::Sunken);
    statusBar()->addWidget(panels_[i]);
  }
}

// ---- menus that change --------------------------------------------------------

void MainWindowView::FillFieldMenu(QMenu* menu, const std::vector<std::string>& tags) {
  menu->clear();
  for (const std::string& tag : tags) {
    QAction* entry = menu->addAction(Text(tag));
    entry->setEnabled(form_.Window.Memo1Enabled);
    connect(entry, &QAction::triggered, this, [this, tag] { InsertFieldTag(tag); });
  }
}

void MainWindowView::ShowBodyMenu(const QPoint& at) {
  QMenu menu(this);
  FillFieldMenu(&menu, form_.Window.FieldMenu);
  menu.exec(memo_->viewport()->mapToGlobal(at));
}

void MainWindowView::InsertFieldTag(const std::string& tag) {
  form_.Window.Memo1SelStart = memo_->AnsiSelStart();
  form_.Window.Memo1SelLength = memo_->AnsiSelLength();
  form_.Guarded([&] { form_.MessageCommands.InsertFieldTag(tag); });
  RefreshTexts();
}

void MainWindowView::ShowAttachmentMenu(const QPoint& at) {
  form_.Guarded([&] { form_.AttachmentCommands.AttachMenuPopup(); });
  QMenu menu(this);
  for (const TMenuEntry& entry : form_.Window.Menus.AttachMenu) {
    if (entry.Caption == kSeparator) {
      menu.addSeparator();
      continue;
    }
    QAction* item = menu.addAction(Text(entry.Caption));
    if (!entry.Action.empty()) {
      TAction* action = form_.Window.Actions.Find(entry.Action);
      item->setEnabled(action != nullptr && action->Enabled);
      std::string name = entry.Action;
      connect(item, &QAction::triggered, this, [this, name] { Run(name); });
    } else if (entry.Name == "Delete3") {
      item->setEnabled(entry.Enabled);
      connect(item, &QAction::triggered, this, [this] {
        form_.Guarded([&] { form_.AttachmentCommands.Delete3Click(); });
        AfterCommand();
      });
    } else {
      item->setCheckable(true);
      item->setChecked(entry.Checked);
      int tag = entry.Tag;
      connect(item, &QAction::triggered, this, [this, tag] {
        form_.Guarded([&] { form_.AttachmentCommands.SmallIcon1Click(tag); });
        RefreshAttachments();
      });
    }
  }
  menu.exec(attachments_->viewport()->mapToGlobal(at));
}

// ---- forwarding ---------------------------------------------------------------

bool MainWindowView::Run(std::string_view action) {
  if (HasNoView(action)) return false;
  // Memo1's selection must be current for commands that paste into it.
  form_.Window.Memo1SelStart = memo_->AnsiSelStart();
  form_.Window.Memo1SelLength = memo_->AnsiSelLength();
  bool ran = form_.ExecuteAction(action);
  AfterCommand();
  return ran;
}

void MainWindowView::DropFiles(const QStringList& paths) {
  if (!form_.Window.AcceptFiles) return;
  std::vector<std::string> files;
  for (const QString& path : paths) files.push_back(path.toLocal8Bit().toStdString());
  form_.Guarded([&] { form_.AttachmentCommands.WMDROPFILES(files); });
  AfterCommand();
}

void MainWindowView::AfterCommand() {
  const ProjectModel& project = form_.Project;
  std::vector<std::string> columns;
  for (const TListColumn& column : project.Columns) columns.push_back(column.Caption);
  if (project.Items.data() != shownRows_ || project.Items.size() != shownRowCount_ ||
      columns != shownColumns_ || project.FProjectFileName != shownProjectFile_) {
    shownRows_ = project.Items.data();
    shownRowCount_ = project.Items.size();
    shownColumns_ = std::move(columns);
    shownProjectFile_ = project.FProjectFileName;
    pendingRows_.clear();
    recipients_->RowsChanged();
  } else {
    // Rows changed in place (check marks, a deleted and an added row...).
    recipients_->viewport()->update();
  }
  RebuildFileMenu();
  RefreshActions();
  RefreshTexts();
  RefreshAttachments();
  RefreshStatus();
}

void MainWindowView::LoadFromLogic() {
  shownRows_ = nullptr;
  AfterCommand();
}

void MainWindowView::OnLoopDispatched() {
  RefreshActions();
  RefreshTexts();
  ScheduleStatus();
}

// ---- showing the logic's state ---------------------------------------------------

QAction* MainWindowView::ActionEntry(std::string_view action) const {
  for (const Entry& entry : entries_)
    if (entry.action == action) return entry.qaction;
  return nullptr;
}

void MainWindowView::RefreshActions() {
  // The logic's own state too, so that a double click or a key the view
  // forwards directly cannot reach a dialog that is not there.
  for (TAction* action : form_.Window.Actions.All())
    if (HasNoView(action->Name)) action->Enabled = false;
  for (const Entry& entry : entries_) {
    TAction* action = form_.Window.Actions.Find(entry.action);
    entry.qaction->setEnabled(action != nullptr && action->Enabled);
  }
}

void MainWindowView::RefreshTexts() {
  const ProjectModel& project = form_.Project;
  const TMainWindow& window = form_.Window;
  if (project.To != shownTo_) {
    shownTo_ = project.To;
    edTo_->setText(FromAnsi(shownTo_));
  }
  if (project.Subject != shownSubject_) {
    shownSubject_ = project.Subject;
    edSubject_->setText(FromAnsi(shownSubject_));
  }
  if (project.Body != shownBody_) {
    shownBody_ = project.Body;
    const QSignalBlocker quiet(memo_);
    memo_->setPlainText(BodyFromAnsi(shownBody_));
    memo_->SetAnsiCaret(window.Memo1SelStart);
  }
  edTo_->setEnabled(window.edToEnabled);
  edSubject_->setEnabled(window.edSubjectEnabled);
  if (memo_->isReadOnly() == window.Memo1Enabled) memo_->setReadOnly(!window.Memo1Enabled);
  if (window.Caption != shownCaption_) {
    shownCaption_ = window.Caption;
    setWindowTitle(Text(shownCaption_));
  }
}

void MainWindowView::RefreshAttachments() {
  const ProjectModel& project = form_.Project;
  std::vector<std::string> paths;
  for (const TAttachmentItem& item : project.Attachments) paths.push_back(item.FullPath());
  if (paths != shownAttachments_) {
    shownAttachments_ = paths;
    const QSignalBlocker quiet(attachments_);
    attachments_->clear();
    QStringList headers;
    for (const TListColumn& column : project.Layout.AttachmentColumns) headers << Text(column.Caption);
    attachments_->setHeaderLabels(headers);
    for (const TAttachmentItem& item : project.Attachments) {
      QStringList fields{QString::fromLocal8Bit(item.Caption.data()),
                         QString::fromLocal8Bit(item.Directory.data())};
      auto* row = new QTreeWidgetItem(fields);
      row->setIcon(0, ui_.FileIcon(item.ImageIndex));
      attachments_->addTopLevelItem(row);
    }
    for (int i = 0; i < static_cast<int>(project.Layout.AttachmentColumns.size()); ++i)
      attachments_->setColumnWidth(i, project.Layout.AttachmentColumns[static_cast<std::size_t>(i)].Width);
    form_.Window.AttachmentsSelected.clear();
  }
  ShowAttachmentStyle(project.AttachmentViewStyle);
  attachments_->setVisible(project.AttachmentsVisible());
}

// The four styles in a tree: only the report shows the header and the
// folder column; the large icons style shows the icons at twice the size.
void MainWindowView::ShowAttachmentStyle(TViewStyle style) {
  const bool report = style == TViewStyle::vsReport;
  attachments_->setHeaderHidden(!report);
  for (int i = 1; i < attachments_->columnCount(); ++i) attachments_->setColumnHidden(i, !report);
  const int side = style == TViewStyle::vsIcon ? 32 : 16;
  attachments_->setIconSize(QSize(side, side));
}

void MainWindowView::RefreshStatus() {
  statusTimer_.stop();
  std::vector<int> rows;
  rows.swap(pendingRows_);
  for (int row : rows) recipients_->RowChanged(row);
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    QString text = Text(form_.Window.StatusPanels[i]);
    if (panels_[i]->text() != text) panels_[i]->setText(text);
  }
}

void MainWindowView::ScheduleStatus() {
  if (!statusTimer_.isActive()) statusTimer_.start();
}

void MainWindowView::NoteRefused() {
  QApplication::beep();
  statusBar()->showMessage(RefusedCharacterNote(), kNoteMs);
}

// ---- the window's life -----------------------------------------------------------

void MainWindowView::ShowForm() {
  LoadFromLogic();
  if (QScreen* screen = QApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  splitter_->setSizes({form_.Project.Layout.ListView.Height, height()});
  bodySplitter_->setSizes({height(), form_.Project.Layout.Attachments.Height});
  if (form_.Window.Maximized)
    showMaximized();
  else
    show();
}

void MainWindowView::closeEvent(QCloseEvent* event) {
  if (destroyed_) return;
  bool close = form_.FormCloseQuery();
  AfterCommand();
  if (!close) {
    event->ignore();
    return;
  }
  form_.Window.Maximized = isMaximized();
  form_.FormDestroy();
  destroyed_ = true;
  event->accept();
}

void MainWindowView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange && !destroyed_) form_.Window.Maximized = isMaximized();
  QMainWindow::changeEvent(event);
}

void MainWindowView::dragEnterEvent(QDragEnterEvent* event) {
  if (form_.Window.AcceptFiles && !DroppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindowView::dragMoveEvent(QDragMoveEvent* event) {
  if (form_.Window.AcceptFiles && !DroppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindowView::dropEvent(QDropEvent* event) {
  QStringList files = DroppedFiles(event->mimeData());
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  DropFiles(files);
}

bool MainWindowView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == attachments_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete) {
      form_.Guarded([&] { form_.AttachmentCommands.lvAttachmentsKeyDown(TKey::kDelete); });
      AfterCommand();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace norvane
