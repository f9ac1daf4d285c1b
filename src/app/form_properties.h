// The recipient properties dialog: a vertical grid with one line per field,
// the address on line 0 (title "<email>") and on line j the value of column
// j+1 (title "<" + the column's caption as it is + ">"). The result is not
// shown. OK refuses a blank address and keeps the dialog open with its values.
#pragma once

#include <string>
#include <vector>

#include "platform/modal_form.h"
#include "project/project_model.h"

namespace norvane {

class TMainFormUi;

struct TGridLine {
  std::string Title;
  std::string Value;
};

inline constexpr char kBlankAddress[] = "E-mail address cannot be blank";

class TFormProperties : public TModalForm {
 public:
  explicit TFormProperties(TMainFormUi& ui) : ui_(ui) {}

  // Layout for the view: resizable, centred, the grid has the focus when shown.
  static constexpr int kMinWidth = 170;
  static constexpr int kMinHeight = 190;
  static constexpr int kTitleWidth = 112;
  static constexpr int kValueWidth = 125;

  std::vector<TGridLine> VerticalGrid;

  // The lines of `columns` with empty values.
  void PrepareGrid(const std::vector<TListColumn>& columns);
  // The row's address and field values into the lines PrepareGrid made.
  void LoadGrid(const TListItem& item);
  // The lines into the row, without blanks at either end; the row's missing
  // sub-items up to the last field are created empty.
  void StoreGrid(TListItem& item) const;

  // OK: closes with mrOk unless the address is blank, which is reported.
  void Button1Click();
  // Cancel.
  void Button2Click() { ModalResult = TModalFormResult::mrCancel; }

 private:
  TMainFormUi& ui_;
};

}  // namespace norvane
