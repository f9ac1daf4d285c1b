// The main window's interface for commands whose whole input is on the
// command line (`new`, `edit`, `recipients`): the command itself is the
// person's answer, so questions are answered Yes without a word, and the
// properties dialog is filled from the options and confirmed with OK (its own
// check of a blank address reports through ShowError as in the window).
#pragma once

#include <functional>

#include "app/form_properties.h"
#include "cli/terminal_main_ui.h"

namespace norvane::cli {

class CommandLineUi : public TerminalMainUi {
 public:
  using TerminalMainUi::TerminalMainUi;

  // Fills the properties dialog's grid before its OK.
  std::function<void(TFormProperties&)> FillProperties;

  bool ConfirmYesNo(const std::string&) override { return true; }
  void ShowModal(TModalForm& form) override {
    auto* properties = dynamic_cast<TFormProperties*>(&form);
    if (!properties || !FillProperties) {
      form.CloseBoxClick();
      return;
    }
    FillProperties(*properties);
    properties->Button1Click();
    if (!properties->Closed()) properties->CloseBoxClick();
  }
};

}  // namespace norvane::cli
