// A main window's logic on a private settings file, its UI in Qt with the
// message boxes and file dialogs answered by the test, and a plain window
// standing for the main window as the dialogs' parent.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "gui/qt_main_form_ui.h"
#include "settings/ini_data.h"
#include "support/temp_dir.h"

namespace norvane::test {

class MainFormFixture {
 public:
  MainFormFixture() : ini(RegistryHive(dir.File("Norvane.reg"))) {
    ui.SetParent(&window);
    ui.BoxHook = [this](const MessageBoxRequest& request) {
      boxes.push_back(request.text.toStdString());
      return boxAnswer;
    };
    ui.FileDialogHook = [this](const FileDialogRequest&) { return fileAnswer; };
    form = std::make_unique<TMainForm>(ui, ini, RegistryHive(dir.File("Norvane.reg")));
    ui.SetForm(form.get());
    form->FormCreate({});
  }

  TempDir dir;
  TINI ini;
  QWidget window;
  QtMainFormUi ui;
  std::unique_ptr<TMainForm> form;
  std::vector<std::string> boxes;
  QMessageBox::StandardButton boxAnswer = QMessageBox::Yes;
  QStringList fileAnswer;
};

}  // namespace norvane::test
