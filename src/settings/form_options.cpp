#include "settings/form_options.h"

#include <algorithm>
#include <exception>

#include "settings/ini_data.h"

namespace norvane {

void TUpDownEdit::SetPosition(int position) {
  Position = std::clamp(position, Min, Max);
  Text = std::to_string(Position);
}

void TUpDownEdit::Type(std::string text) {
  Text = std::move(text);
  std::size_t begin = Text.find_first_not_of(' ');
  std::size_t end = Text.find_last_not_of(' ');
  if (begin == std::string::npos) return;
  long value = 0;
  for (std::size_t i = begin; i <= end; ++i) {
    char c = Text[i];
    // Nine digits still fit; a longer number is out of any range the dialog uses.
    if (c < '0' || c > '9' || i - begin >= 9) return;
    value = value * 10 + (c - '0');
  }
  if (value >= Min && value <= Max) Position = static_cast<int>(value);
}

TFormOptions::TFormOptions(TINI& ini) : ini_(ini) {
  Caption = "Options";
  PageIndex = kPageConnection;
  Load();
}

void TFormOptions::Load() {
  bool fromDomain = ini_.ilHostFromDomain().AsInteger() == 1;
  rbHostFromDomain = fromDomain;
  edSpecifyHost = !fromDomain;
  edConnections.SetPosition(ini_.ilConnections().AsInteger());
  edTimeOut.SetPosition(ini_.ilTimeOut().AsInteger());
  edFrom = ini_.ilFrom().Text();
  edHost = ini_.ilHost().Text();
  edDNS1 = ini_.ilDNS1().Text();
  edDNS2 = ini_.ilDNS2().Text();
  cbRunSpellChecker = ini_.ilRunSpellChecker().AsBoolean();
  rbHostFromDomainClick();
}

void TFormOptions::rbHostFromDomainClick() {
  edHostEnabled = edSpecifyHost;
  edHostColor = edHostEnabled ? TSystemColor::clWindow : TSystemColor::clBtnFace;
}

void TFormOptions::SelectHostFromDomain(bool fromDomain) {
  rbHostFromDomain = fromDomain;
  edSpecifyHost = !fromDomain;
  rbHostFromDomainClick();
}

void TFormOptions::Button1Click() {
  ModalResult = TModalFormResult::mrOk;
  Save();
}

void TFormOptions::Button3Click() {
  if (OnSpellCheckerConfiguration) OnSpellCheckerConfiguration();
}

void TFormOptions::Save() {
  // A line keeps a text it failed to write and is in effect until the program
  // ends; so every step runs, and the first failure is reported at the end.
  std::exception_ptr failure;
  auto step = [&failure](auto&& write) {
    try {
      write();
    } catch (const RegistryError&) {
      if (!failure) failure = std::current_exception();
    }
  };
  step([&] { ini_.ilHostFromDomain().SetAsInteger(rbHostFromDomain ? 1 : 0); });
  step([&] { ini_.ilConnections().SetAsInteger(edConnections.Position); });
  step([&] { ini_.ilTimeOut().SetAsInteger(edTimeOut.Position); });
  step([&] { ini_.ilFrom().SetText(edFrom); });
  step([&] { ini_.ilHost().SetText(edHost); });
  step([&] { ini_.ilDNS1().SetText(edDNS1); });
  step([&] { ini_.ilRunSpellChecker().SetAsBoolean(cbRunSpellChecker); });
  // A lone server typed into the second box becomes the first.
  if (!ini_.ilDNS1().Text().empty()) {
    step([&] { ini_.ilDNS2().SetText(edDNS2); });
  } else {
    step([&] { ini_.ilDNS1().SetText(edDNS2); });
    step([&] { ini_.ilDNS2().SetText(""); });
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace norvane
