#include "spell/spell_config_dialog.h"

#include "spell/spell_checker.h"
#include "spell/spell_error.h"

namespace norvane {

TSpellConfigDialog::TSpellConfigDialog(TSpellChecker& checker, TSpellConfigUi& ui)
    : checker_(checker), ui_(ui) {
  Caption = "Spell Checker Configuration";
  const auto& dictionaries = checker_.Dictionaries();
  for (std::size_t i = 0; i < dictionaries.size(); ++i) {
    cbDictionary.push_back(dictionaries[i].Name);
    if (&dictionaries[i] == checker_.Language()) cbDictionaryIndex = static_cast<int>(i);
  }
  if (cbDictionaryIndex < 0 && !dictionaries.empty()) cbDictionaryIndex = 0;
  edUserDictionary = checker_.UserDictionaryPath();
  ShowThesaurus();
}

void TSpellConfigDialog::ShowThesaurus() {
  const auto& dictionaries = checker_.Dictionaries();
  if (cbDictionaryIndex < 0) {
    lbThesaurus = "No dictionary is installed";
  } else if (!checker_.Files().ThesaurusFile.empty() ||
             !dictionaries[static_cast<std::size_t>(cbDictionaryIndex)].ThesaurusIdx.empty()) {
    lbThesaurus = "Thesaurus available";
  } else {
    lbThesaurus = "No thesaurus for this language";
  }
}

void TSpellConfigDialog::cbDictionaryChange(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= cbDictionary.size()) return;
  cbDictionaryIndex = index;
  ShowThesaurus();
}

void TSpellConfigDialog::btBrowseClick() {
  if (auto path = ui_.ChooseUserDictionary(edUserDictionary)) edUserDictionary = *path;
}

void TSpellConfigDialog::btOkClick() {
  TSpellConfig config = checker_.Configuration();
  if (cbDictionaryIndex >= 0)
    config.Dictionary = checker_.Dictionaries()[static_cast<std::size_t>(cbDictionaryIndex)].Code;
  // The default file stays unnamed, so it follows the settings folder.
  config.UserDictionary = edUserDictionary == checker_.Files().DefaultUserDictionary ? "" : edUserDictionary;
  try {
    checker_.SetConfiguration(config);
  } catch (const SpellError& error) {
    ui_.ShowError(error.what());
    return;
  }
  ModalResult = TModalFormResult::mrOk;
}

}  // namespace norvane
