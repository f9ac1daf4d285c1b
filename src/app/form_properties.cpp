#include "app/form_properties.h"

#include "app/ui_services.h"
#include "import/text_file.h"
#include "project/merge.h"

namespace norvane {

void TFormProperties::PrepareGrid(const std::vector<TListColumn>& columns) {
  VerticalGrid.assign(1, {kEmailTag, ""});
  for (std::size_t k = 2; k < columns.size(); ++k)
    VerticalGrid.push_back({"<" + columns[k].Caption + ">", ""});
}

void TFormProperties::LoadGrid(const TListItem& item) {
  if (VerticalGrid.empty()) return;
  VerticalGrid[0].Value = item.Caption;
  // A row read from a damaged file may hold more values than there are columns.
  for (std::size_t j = 1; j < item.SubItems.size() && j < VerticalGrid.size(); ++j)
    VerticalGrid[j].Value = item.SubItems[j];
}

void TFormProperties::StoreGrid(TListItem& item) const {
  if (VerticalGrid.empty()) return;
  item.Caption = std::string(TrimControl(VerticalGrid[0].Value));
  for (std::size_t j = 1; j < VerticalGrid.size(); ++j)
    item.SetSubItem(j, std::string(TrimControl(VerticalGrid[j].Value)));
}

void TFormProperties::Button1Click() {
  if (VerticalGrid.empty() || TrimControl(VerticalGrid[0].Value).empty()) {
    ui_.ShowError(ErrorBoxText(kBlankAddress));
    return;
  }
  ModalResult = TModalFormResult::mrOk;
}

}  // namespace norvane
