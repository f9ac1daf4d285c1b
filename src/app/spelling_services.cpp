#include "app/spelling_services.h"

namespace norvane {

void TMainFormSpelling::Thesaurus(const std::string& control) {
  std::string text;
  if (control == "edTo") {
    text = model_.To;
  } else if (control == "edSubject") {
    text = model_.Subject;
  } else if (control == "Memo1") {
    text = model_.Body;
  } else {
    return;
  }
  if (!RunThesaurus(checker_.Thesaurus(), text, ui_.CaretPosition(control), ui_)) return;
  if (control == "edTo") {
    model_.SetTo(std::move(text));
  } else if (control == "edSubject") {
    model_.SetSubject(std::move(text));
  } else {
    model_.SetBody(std::move(text));
  }
}

void TMainFormSpelling::ShowConfiguration() {
  TSpellConfigDialog dialog(checker_, ui_);
  ui_.ShowSpellConfig(dialog);
}

}  // namespace norvane
