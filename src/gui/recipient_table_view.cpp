#include "gui/recipient_table_view.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>

#include "app/main_form.h"
#include "gui/recipient_table_model.h"

namespace norvane {

RecipientTableView::RecipientTableView(TMainForm& form, QWidget* parent)
    : RecipientTableView(form, parent, new RecipientTableModel(form)) {}

RecipientTableView::RecipientTableView(TMainForm& form, QWidget* parent, RecipientTableModel* model)
    : QTableView(parent), form_(form), model_(model) {
  model_->setParent(this);
  setObjectName("ListView1");
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setShowGrid(false);
  setWordWrap(false);
  setAlternatingRowColors(false);
  setIconSize(QSize(16, 16));
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  // One fixed height for every row, so the table never asks a row its size.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setStretchLastSection(false);
  // The selection stays visible when the list loses the focus.
  QPalette colours = palette();
  colours.setColor(QPalette::Inactive, QPalette::Highlight,
                   colours.color(QPalette::Active, QPalette::Highlight));
  colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   colours.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(colours);

  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { ForwardSelection(); });
  form_.Window.OnMakeVisible = [this](int) { ShowLogicSelection(true); };
  ApplyColumnWidths();
}

RecipientTableView::~RecipientTableView() {
  form_.Window.OnMakeVisible = nullptr;
}

void RecipientTableView::RowsChanged() {
  showingLogicSelection_ = true;
  model_->Reset();
  showingLogicSelection_ = false;
  ApplyColumnWidths();
  ShowLogicSelection(false);
}

void RecipientTableView::RowChanged(int row) {
  model_->RowChanged(row);
  if (row >= 0 && row < model_->rowCount()) scrollTo(model_->index(row, 0), QAbstractItemView::EnsureVisible);
}

void RecipientTableView::ApplyColumnWidths() {
  const auto& columns = form_.Project.Columns;
  for (std::size_t i = 0; i < columns.size(); ++i) setColumnWidth(static_cast<int>(i), columns[i].Width);
}

void RecipientTableView::ForwardSelection() {
  if (showingLogicSelection_) return;
  const QModelIndexList rows = selectionModel()->selectedRows();
  const int row = rows.isEmpty() ? -1 : rows.first().row();
  form_.Guarded([&] { form_.RecipientCommands.ListView1SelectItem(row); });
  emit LogicChanged();
}

void RecipientTableView::ShowLogicSelection(bool scroll) {
  const int row = form_.Window.Selected;
  showingLogicSelection_ = true;
  if (row >= 0 && row < model_->rowCount()) {
    const QModelIndex index = model_->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (scroll) scrollTo(index, QAbstractItemView::EnsureVisible);
  } else {
    selectionModel()->clearSelection();
  }
  showingLogicSelection_ = false;
}

void RecipientTableView::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const QModelIndex index = indexAt(at);
  const int row = index.isValid() ? index.row() : -1;
  // The row is selected first (as the list does), then a press on the box
  // toggles it.
  QTableView::mousePressEvent(event);
  if (row < 0) return;
  const bool checkedBefore = form_.Project.Items[static_cast<std::size_t>(row)].Checked();
  form_.Guarded([&] { form_.RecipientCommands.ListView1MouseDown(row, at.x()); });
  if (row < model_->rowCount() &&
      form_.Project.Items[static_cast<std::size_t>(row)].Checked() != checkedBefore) {
    model_->RowChanged(row);
    emit LogicChanged();
  }
}

void RecipientTableView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  const std::size_t rowsBefore = form_.Project.Items.size();
  form_.Guarded([&] { form_.RecipientCommands.ListView1DblClick(); });
  if (form_.Project.Items.size() != rowsBefore)
    RowsChanged();
  else
    model_->RowChanged(form_.Window.Selected);
  emit LogicChanged();
}

}  // namespace norvane
