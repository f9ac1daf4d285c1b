// A main window on a private settings file, driven by a scripted UI.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "scripted_main_ui.h"
#include "settings/ini_data.h"
#include "support/temp_dir.h"

namespace norvane::test {

class AppFixture {
 public:
  AppFixture() : ini(RegistryHive(dir.File("Norvane.reg"))) { ini.ilRunSpellChecker().SetAsBoolean(false); }

  RegistryHive Hive() const { return RegistryHive(dir.File("Norvane.reg")); }

  // A form that has run FormCreate with `args`.
  std::unique_ptr<TMainForm> NewForm(const std::vector<std::string>& args = {}) {
    auto form = std::make_unique<TMainForm>(ui, ini, Hive());
    form->FormCreate(args);
    return form;
  }

  static void AddRow(ProjectModel& model, std::string address, bool checked,
                     std::vector<std::string> subItems = {}) {
    TListItem item;
    item.Caption = std::move(address);
    item.StateIndex = checked ? 1 : 0;
    item.SubItems = std::move(subItems);
    model.Items.push_back(std::move(item));
  }

  TempDir dir;
  TINI ini;
  ScriptedMainUi ui;
};

}  // namespace norvane::test
