// The main window's view (TMainForm's face): toolbar, recipient list,
// splitter, the To / Subject panel, the body editor, the attachment list
// (shown only with attachments) and the status bar's five panels, with the
// menus of the actions-as-data. It holds no rule: every command goes to the
// logic, and after every command and every run of the core loop the view
// shows the logic's state again (enabled states, texts, title, counters).
// Rows changed by a run and the counters repaint from a timer, at most ten
// times a second.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_menus.h"
#include "gui/main_form_texts.h"
#include "project/project_model.h"

class QComboBox;
class QLineEdit;
class QMenu;
class QSplitter;
class QToolBar;
class QTreeWidget;

namespace norvane {

class BodyEditor;
class EventLoopBridge;
class QtMainFormUi;
class RecipientTableView;
class TMainForm;

class MainWindowView : public QMainWindow {
  Q_OBJECT

 public:
  MainWindowView(TMainForm& form, QtMainFormUi& ui, EventLoopBridge& bridge, QWidget* parent = nullptr);
  ~MainWindowView() override;

  // After FormCreate: shows the logic's project and the window, centred,
  // maximized when the settings ask for it.
  void ShowForm();
  // Shows the whole of the logic's state again (rows included).
  void LoadFromLogic();
  // Runs an action as its menu entry, toolbar button or shortcut does.
  bool Run(std::string_view action);
  // Files dropped on the window (the logic skips folders and missing files).
  void DropFiles(const QStringList& paths);

  // The parts, for tests and for the dialogs that come later.
  QLineEdit* ToBox() const { return edTo_; }
  QLineEdit* SubjectBox() const { return edSubject_; }
  BodyEditor* Body() const { return memo_; }
  RecipientTableView* Recipients() const { return recipients_; }
  QTreeWidget* Attachments() const { return attachments_; }
  QToolBar* ToolBar() const { return toolBar_; }
  QSplitter* Splitter() const { return splitter_; }
  QLabel* StatusPanel(int index) const { return panels_.at(static_cast<std::size_t>(index)); }
  QMenu* FileMenu() const { return fileMenu_; }
  // The menu entry (or, failing that, the toolbar button) that runs `action`.
  QAction* ActionEntry(std::string_view action) const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Entry {
    std::string action;
    QAction* qaction;
  };

  void BuildMenus();
  void BuildToolBar();
  void BuildCentre();
  void BuildStatusBar();
  QAction* AddEntry(QMenu* menu, const std::string& caption, const std::string& hint,
                    const std::string& action, bool withShortCut);
  void FillMenu(QMenu* menu, const TMenu& entries, bool withShortCuts);
  void RebuildFileMenu();
  void FillFieldMenu(QMenu* menu, const std::vector<std::string>& tags);
  void ShowBodyMenu(const QPoint& at);
  void ShowAttachmentMenu(const QPoint& at);
  void InsertFieldTag(const std::string& tag);

  // After a command: rows when they were replaced, then everything else.
  void AfterCommand();
  void OnLoopDispatched();
  void RefreshActions();
  void RefreshTexts();
  void RefreshAttachments();
  void ShowAttachmentStyle(TViewStyle style);
  void RefreshStatus();
  void ScheduleStatus();
  void NoteRefused();

  TMainForm& form_;
  QtMainFormUi& ui_;
  MainFormTexts texts_;
  std::vector<Entry> entries_;
  QMenu* fileMenu_ = nullptr;
  QMenu* insertMenu_ = nullptr;
  QMenu* fieldMenu_ = nullptr;
  QMenu* toolsMenu_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QComboBox* cbContentType_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QSplitter* bodySplitter_ = nullptr;
  RecipientTableView* recipients_ = nullptr;
  QLineEdit* edTo_ = nullptr;
  QLineEdit* edSubject_ = nullptr;
  BodyEditor* memo_ = nullptr;
  QTreeWidget* attachments_ = nullptr;
  std::array<QLabel*, 5> panels_{};
  QTimer statusTimer_;

  // What the widgets show, as the project's bytes, so that a refresh
  // compares bytes instead of converting the texts.
  std::string shownTo_, shownSubject_, shownBody_, shownCaption_;
  // Rows whose outcome changed since the list was last repainted.
  std::vector<int> pendingRows_;
  std::vector<std::string> shownAttachments_;
  std::vector<std::pair<int, std::string>> shownFileMenu_;
  // What the rows looked like when the list was last reset.
  const void* shownRows_ = nullptr;
  std::size_t shownRowCount_ = 0;
  std::vector<std::string> shownColumns_;
  std::string shownProjectFile_;
  bool destroyed_ = false;
};

}  // namespace norvane
