#include "settings/ini_data.h"

#include <stdexcept>

namespace norvane {
namespace {
TINI* g_ini = nullptr;
}

TINI::TINI(RegistryHive hive)
    : INIArquivo1_(std::move(hive)),
      isConnection_("Connection", &INIArquivo1_),
      isDNS_("DNS", &INIArquivo1_),
      isEnvironment_("Environment", &INIArquivo1_),
      isSpelling_("Spelling", &INIArquivo1_),
      isDirectories_("Directories", &INIArquivo1_),
      ilConnections_(&isConnection_, "Connections", "200"),
      ilTimeOut_(&isConnection_, "TimeOut", "30"),
      ilFrom_(&isConnection_, "From", ""),
      ilHost_(&isDNS_, "Host", ""),
      ilDNS1_(&isDNS_, "Primary", ""),
      ilDNS2_(&isDNS_, "Secondary", ""),
      ilHostFromDomain_(&isDNS_, "HostFromDomain", "1"),
      isMaximized_(&isEnvironment_, "Maximized", "False"),
      riShowTipOfTheDay_(&isEnvironment_, "ShowTipOfTheDay", "true"),
      riShowGettingStartedDialog_(&isEnvironment_, "ShowGettingStartedDialog", "true"),
      riLanguage_(&isEnvironment_, "Language", "English"),
      ilRunSpellChecker_(&isSpelling_, "RunSpellChecker", "True"),
      riProjectsDirectory_(&isDirectories_, "Projects", ".") {
  INIArquivo1_.SetLanguage(TICLanguage::iclEnglish);
  // Opens the key, creating it on a fresh profile; no value is read yet.
  INIArquivo1_.SetFileName(kSettingsKey);
}

TINI& TheIni() {
  if (g_ini == nullptr) throw std::logic_error("The settings data module has not been created");
  return *g_ini;
}

void SetTheIni(TINI* ini) {
  g_ini = ini;
}

}  // namespace norvane
