#include "ui/start_language.h"

#include "platform/codepage.h"
#include "settings/ini_data.h"
#include "ui/base_multi_lang.h"

namespace norvane {

uint8_t StartLanguageSetting(TINI& ini) {
  // A word this edition does not know falls back to English rather than
  // keeping the program from starting.
  return LanguageFromName(TrimText(ini.riLanguage().Text())).value_or(0);
}

void ApplyStartLanguageSetting(TINI& ini) {
  StartLanguage = StartLanguageSetting(ini);
}

}  // namespace norvane
