#include "spell/spell_files.h"

#include "platform/path_names.h"
#include "platform/registry.h"

namespace norvane {

std::string SettingsFolder() {
  return FolderOf(RegistryHive::CurrentUserPath());
}

TSpellFiles DefaultSpellFiles() {
  std::string folder = SettingsFolder();
  return {folder + "/" + kSpellConfigFileName, "", folder + "/" + kUserDictionaryFileName};
}

}  // namespace norvane
