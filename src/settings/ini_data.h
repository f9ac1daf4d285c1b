// The settings data module: every persistent setting of the system as a
// settings line under "\software\Kalvento\Norvane" with its declared default.
// Created once at start-up before the main window; every window reaches it
// through TheIni(). Each accessor returns the line, which reads on first use
// (Text(), AsInteger(), AsBoolean()) and writes at once on change (SetText(),
// SetAsInteger(), SetAsBoolean()).
#pragma once

#include "platform/registry.h"
#include "settings/ini_components.h"

namespace norvane {

class TINI {
 public:
  explicit TINI(RegistryHive hive = RegistryHive::CurrentUser());
  TINI(const TINI&) = delete;
  TINI& operator=(const TINI&) = delete;

  TINIArquivo& INIArquivo1() { return INIArquivo1_; }

  // Connection
  TINILinha& ilConnections() { return ilConnections_; }  // "200", integer
  TINILinha& ilTimeOut() { return ilTimeOut_; }          // "30", integer (seconds)
  TINILinha& ilFrom() { return ilFrom_; }                // "", the sender ("From: " header text)
  // DNS
  TINILinha& ilHost() { return ilHost_; }                      // "", greeting host name
  TINILinha& ilDNS1() { return ilDNS1_; }                      // "", first DNS server
  TINILinha& ilDNS2() { return ilDNS2_; }                      // "", second DNS server
  TINILinha& ilHostFromDomain() { return ilHostFromDomain_; }  // "1", integer
  // Environment
  TINILinha& isMaximized() { return isMaximized_; }                                // "False", boolean
  TINILinha& riShowTipOfTheDay() { return riShowTipOfTheDay_; }                    // "true", boolean
  TINILinha& riShowGettingStartedDialog() { return riShowGettingStartedDialog_; }  // "true", boolean
  // "English", the word tables' language from the next start ("German" for the German texts)
  TINILinha& riLanguage() { return riLanguage_; }
  // Spelling
  TINILinha& ilRunSpellChecker() { return ilRunSpellChecker_; }  // "True", boolean
  // Directories
  TINILinha& riProjectsDirectory() { return riProjectsDirectory_; }  // ".", text

 private:
  // Declaration order matters: the file outlives its sections, the sections their lines.
  TINIArquivo INIArquivo1_;
  TINISecao isConnection_, isDNS_, isEnvironment_, isSpelling_, isDirectories_;
  TINILinha ilConnections_, ilTimeOut_, ilFrom_;
  TINILinha ilHost_, ilDNS1_, ilDNS2_, ilHostFromDomain_;
  TINILinha isMaximized_, riShowTipOfTheDay_, riShowGettingStartedDialog_, riLanguage_;
  TINILinha ilRunSpellChecker_;
  TINILinha riProjectsDirectory_;
};

inline constexpr char kSettingsKey[] = "\\software\\Kalvento\\Norvane";

// The one data module of the process. SetTheIni is called by start-up (and by
// tests) with an object that outlives every user; TheIni() throws
// std::logic_error when none is set.
TINI& TheIni();
void SetTheIni(TINI* ini);

}  // namespace norvane
