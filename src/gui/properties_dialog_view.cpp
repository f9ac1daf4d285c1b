#include "gui/properties_dialog_view.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/form_properties.h"
#include "gui/ansi_text.h"
#include "gui/component_widgets.h"
#include "ui/word_tables.h"

namespace norvane {

namespace {

// Value boxes refuse characters the project's code page cannot hold. The
// delegate remembers its open editor so that OK can take a value still being
// typed, wherever the keyboard focus is.
class AnsiDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setValidator(new AnsiValidator(line));
    editor_ = editor;
    return editor;
  }
  QWidget* OpenEditor() const {
    return editor_ != nullptr && editor_->isVisible() ? editor_.data() : nullptr;
  }

 private:
  mutable QPointer<QWidget> editor_;
};

class VerticalGrid : public QTableWidget {
 public:
  explicit VerticalGrid(QWidget* parent) : QTableWidget(0, 2, parent), values_(new AnsiDelegate(this)) {
    setItemDelegateForColumn(1, values_);
  }
  void CommitEdit() {
    if (QWidget* editor = values_->OpenEditor()) {
      commitData(editor);
      closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
  }

 private:
  AnsiDelegate* values_;
};

}  // namespace

PropertiesDialogView::PropertiesDialogView(TFormProperties& form, const TWordTables* tables, QWidget* parent,
                                           ViewGuard guard)
    : ModalFormView(form, parent, std::move(guard)), properties_(form) {
  setObjectName("FormProperties");
  setSizeGripEnabled(true);
  setMinimumSize(TFormProperties::kMinWidth, TFormProperties::kMinHeight);
  grid_ = new VerticalGrid(this);
  grid_->setObjectName("VerticalGrid");
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->setColumnWidth(0, TFormProperties::kTitleWidth);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                         QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  QHBoxLayout* buttons = OkCancelRow(
      [this] {
        TakeValues();
        Forward([this] { properties_.Button1Click(); });
      },
      [this] { Forward([this] { properties_.Button2Click(); }); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grid_);
  layout->addLayout(buttons);
  resize(TFormProperties::kTitleWidth + TFormProperties::kValueWidth + 40, 260);

  ApplyWordTable(*this, tables, kFormPropertiesWords);

  grid_->setFocus();
}

void PropertiesDialogView::ShowFields() {
  const std::vector<TGridLine>& lines = properties_.VerticalGrid;
  grid_->setRowCount(static_cast<int>(lines.size()));
  for (int row = 0; row < grid_->rowCount(); ++row) {
    auto* title = new QTableWidgetItem(FromAnsi(lines[static_cast<std::size_t>(row)].Title));
    title->setFlags(Qt::ItemIsEnabled);
    title->setBackground(palette().button());
    grid_->setItem(row, 0, title);
    auto* value = new QTableWidgetItem(FromAnsi(lines[static_cast<std::size_t>(row)].Value));
    value->setForeground(QColor(Qt::darkBlue));  // navy
    grid_->setItem(row, 1, value);
  }
  if (grid_->rowCount() > 0 && grid_->currentRow() < 0) grid_->setCurrentCell(0, 1);
}

void PropertiesDialogView::TakeValues() {
  static_cast<VerticalGrid*>(grid_)->CommitEdit();
  std::vector<TGridLine>& lines = properties_.VerticalGrid;
  for (int row = 0; row < grid_->rowCount() && row < static_cast<int>(lines.size()); ++row) {
    lines[static_cast<std::size_t>(row)].Value = ToAnsi(grid_->item(row, 1)->text());
  }
}

void RunPropertiesDialog(TFormProperties& form, const TWordTables* tables, QWidget* parent, ViewGuard guard) {
  PropertiesDialogView view(form, tables, parent, std::move(guard));
  view.Run();
}

}  // namespace norvane
