#include "gui/recipient_table_model.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/main_form.h"
#include "gui/ansi_text.h"

namespace norvane {

namespace {

constexpr int kIconSize = 16;

QPixmap BlankIcon() {
  QPixmap pixmap(kIconSize, kIconSize);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QIcon DeliveredIcon() {
  QPixmap pixmap = BlankIcon();
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0x1E, 0x9E, 0x3A), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QPainterPath tick;
  tick.moveTo(3, 8.5);
  tick.lineTo(6.5, 12);
  tick.lineTo(13, 4);
  painter.drawPath(tick);
  return QIcon(pixmap);
}

QIcon FailedIcon() {
  QPixmap pixmap = BlankIcon();
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0xD0, 0x21, 0x21), 2.6, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(4, 4), QPointF(12, 12));
  painter.drawLine(QPointF(12, 4), QPointF(4, 12));
  return QIcon(pixmap);
}

QIcon SendingIcon() {
  QPixmap pixmap = BlankIcon();
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x1F, 0x5F, 0xD0));
  const QPointF triangle[] = {{5, 3}, {13, 8}, {5, 13}};
  painter.drawPolygon(triangle, 3);
  return QIcon(pixmap);
}

}  // namespace

RecipientTableModel::RecipientTableModel(TMainForm& form, QObject* parent)
    : QAbstractTableModel(parent), form_(form), icons_{DeliveredIcon(), FailedIcon(), SendingIcon()} {}

bool RecipientTableModel::ValidRow(int row) const {
  return row >= 0 && static_cast<std::size_t>(row) < form_.Project.Items.size();
}

int RecipientTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(form_.Project.Items.size());
}

int RecipientTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(form_.Project.Columns.size());
}

QVariant RecipientTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !ValidRow(index.row())) return {};
  const TListItem& item = form_.Project.Items[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      if (column == 0) return FromAnsi(item.Caption);
      return FromAnsi(item.SubItem(static_cast<std::size_t>(column - 1)));
    case Qt::CheckStateRole:
      // The state image sits in the first column; StateIndex -1 draws no box.
      if (column != 0 || (item.StateIndex != 0 && item.StateIndex != 1)) return {};
      return item.StateIndex == 1 ? Qt::Checked : Qt::Unchecked;
    case Qt::DecorationRole:
      if (column != 0 || item.ImageIndex < 0 || item.ImageIndex >= static_cast<int>(icons_.size())) return {};
      return icons_[static_cast<std::size_t>(item.ImageIndex)];
    default:
      return {};
  }
}

QVariant RecipientTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  const auto& columns = form_.Project.Columns;
  if (section < 0 || static_cast<std::size_t>(section) >= columns.size()) return {};
  return FromAnsi(columns[static_cast<std::size_t>(section)].Caption);
}

Qt::ItemFlags RecipientTableModel::flags(const QModelIndex& index) const {
  // Read-only and not user-checkable: the view's own mouse handling decides
  // what a press on the box does, so the delegate never toggles a second time.
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool RecipientTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || !ValidRow(index.row())) return false;
  const int row = index.row();
  const bool checked = form_.Project.Items[static_cast<std::size_t>(row)].Checked();
  if ((value.value<Qt::CheckState>() == Qt::Checked) == checked) return true;
  // A press on the box is the list's one per-row toggle.
  form_.Guarded([&] { form_.RecipientCommands.ListView1MouseDown(row, 0); });
  RowChanged(row);
  return true;
}

void RecipientTableModel::Reset() {
  beginResetModel();
  endResetModel();
}

void RecipientTableModel::RowChanged(int row) {
  if (!ValidRow(row) || columnCount() == 0) return;
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

}  // namespace norvane
