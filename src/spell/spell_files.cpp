#include "spell/spell_files.h"

#include "platform/path_names.h"
#include "platform/registry.h"

namespace norvane {

TSpellFiles DefaultSpellFiles() {
  std::string folder = FolderOf(RegistryHive::CurrentUserPath());
  return {folder + "/" + kSpellConfigFileName, "", folder + "/" + kUserDictionaryFileName};
}

}  // namespace norvane
