// The recipient list as a Qt table model over the project's rows. It holds no
// copy of the rows and nothing per row: every cell is computed from
// ProjectModel when the view asks for it, so a million recipients reset in
// constant time and only the visible rows are ever converted. The check mark
// is Qt::CheckStateRole (no box for a StateIndex other than 0 and 1); changing
// it goes through the recipient commands so the project is marked modified.
// Text is Windows-1252 in the project and converted to Unicode per cell.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <array>

namespace norvane {

class TMainForm;

class RecipientTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  RecipientTableModel(TMainForm& form, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Qt::CheckStateRole only: a different state toggles the row through the logic.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  // The rows or columns were replaced (open, new, import, delete, check all).
  void Reset();
  // One row's text, check mark or icon changed.
  void RowChanged(int row);

  // The pictures of ImageIndex 0 (delivered), 1 (failed) and 2 (sending).
  const QIcon& ResultIcon(int imageIndex) const { return icons_.at(static_cast<std::size_t>(imageIndex)); }

 private:
  bool ValidRow(int row) const;

  TMainForm& form_;
  std::array<QIcon, 3> icons_;
};

}  // namespace norvane
