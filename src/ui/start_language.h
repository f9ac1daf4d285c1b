// The language every window starts in comes from the setting
// Environment / Language: "German" (or "de", "1") shows the German word
// tables, anything else the English ones this edition ships with. Read once
// at start-up, before the first window loads its table.
#pragma once

#include <cstdint>

namespace norvane {

class TINI;

uint8_t StartLanguageSetting(TINI& ini);
// StartLanguage := StartLanguageSetting(ini).
void ApplyStartLanguageSetting(TINI& ini);

}  // namespace norvane
