// The About box: the product's picture and name, its version, the notice
// line, the system it runs on and its memory, and OK.
#pragma once

#include "gui/modal_form_view.h"

namespace norvane {

class TAboutBox;
class TWordTables;

class AboutBoxView : public ModalFormView {
 public:
  AboutBoxView(TAboutBox& form, const TWordTables* tables, QWidget* parent, ViewGuard guard);

 protected:
  void ShowFields() override {}
};

void RunAboutBox(TAboutBox& form, const TWordTables* tables, QWidget* parent, ViewGuard guard);

}  // namespace norvane
