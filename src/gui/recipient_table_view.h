// The recipient list (ListView1) of the main window: a table over
// RecipientTableModel that forwards the person's actions to the logic and
// shows what the logic changed. Selecting a row, double-clicking it and a
// mouse press on a row's check box run the recipient commands' handlers; the
// main window tells the view when rows were replaced (RowsChanged) or one row
// changed (RowChanged, e.g. from TSendingController::OnRowChanged). The view
// takes TMainWindow::OnMakeVisible: the logic's "select and scroll to" lands
// here. Rows have one fixed height and columns take the project's widths, so
// the table never measures its rows.
#pragma once

#include <QTableView>

namespace norvane {

class TMainForm;
class RecipientTableModel;

class RecipientTableView : public QTableView {
  Q_OBJECT

 public:
  RecipientTableView(TMainForm& form, QWidget* parent);
  // Shows `model` (taken over) instead of a model of its own; for tests that
  // watch what the table asks of it.
  RecipientTableView(TMainForm& form, QWidget* parent, RecipientTableModel* model);
  ~RecipientTableView() override;

  // The rows (or columns) were replaced: open, new, import, delete, check all.
  // The selection is taken from the logic afterwards.
  void RowsChanged();
  // One row's outcome, check mark or text changed; it is scrolled into view.
  void RowChanged(int row);

  RecipientTableModel& Model() { return *model_; }

 signals:
  // A forwarded action may have changed the logic's state (the selection,
  // a check mark, a row edited by double click): the window refreshes the
  // enabled state of its actions and its title.
  void LogicChanged();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void ForwardSelection();
  // Shows the logic's selected row as selected (and scrolls to it when asked).
  void ShowLogicSelection(bool scroll);
  void ApplyColumnWidths();

  TMainForm& form_;
  RecipientTableModel* model_;
  bool showingLogicSelection_ = false;
};

}  // namespace norvane
