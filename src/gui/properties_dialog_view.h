// The recipient properties dialog: the vertical grid of TFormProperties, a
// title column and an editable value column, with OK and Cancel. The grid
// has the keyboard focus when the dialog appears.
#pragma once

#include "gui/modal_form_view.h"

class QTableWidget;

namespace norvane {

class TFormProperties;
class TWordTables;

class PropertiesDialogView : public ModalFormView {
 public:
  PropertiesDialogView(TFormProperties& form, const TWordTables* tables, QWidget* parent, ViewGuard guard);

  QTableWidget& Grid() { return *grid_; }

 protected:
  void ShowFields() override;

 private:
  // The values as typed, an edit still open included.
  void TakeValues();

  TFormProperties& properties_;
  QTableWidget* grid_;
};

void RunPropertiesDialog(TFormProperties& form, const TWordTables* tables, QWidget* parent, ViewGuard guard);

}  // namespace norvane
