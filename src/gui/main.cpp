// norvane-gui [--sandbox DIR] [PROJECT.nvp]: the desktop program. The start
// follows TStartupSequence: title, settings, the main window created
// disabled with its project, shown, enabled after the pause, then the
// start-up dialogs; Qt's event loop runs the core's loop until the window
// has closed.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/startup_sequence.h"
#include "gui/event_loop_bridge.h"
#include "gui/main_window_spelling.h"
#include "gui/main_window_view.h"
#include "gui/qt_main_form_ui.h"
#include "gui/sandbox_session.h"
#include "gui/splash_window.h"
#include "settings/ini_data.h"
#include "ui/start_language.h"
#include "ui/word_tables.h"

namespace {

using namespace norvane;

class GuiStartupUi : public TStartupUi {
 public:
  MainWindowView* window = nullptr;
  std::unique_ptr<SplashWindow> splash;

  void ShowSplash() override {
    splash = std::make_unique<SplashWindow>();
    splash->ShowCentred();
  }
  void SetApplicationTitle(const std::string& title) override {
    QApplication::setApplicationDisplayName(QString::fromStdString(title));
  }
  void ShowMainWindow() override {
    if (window) window->ShowForm();
  }
  void DestroySplash() override { splash.reset(); }
  void EnableMainWindow() override {
    if (window) window->setEnabled(true);
  }
};

struct Arguments {
  std::vector<std::string> form;  // for FormCreate
  std::string sandbox;            // folder, empty without --sandbox
};

bool ParseArguments(const QStringList& all, Arguments& arguments) {
  for (qsizetype i = 1; i < all.size(); ++i) {
    if (all[i] == QLatin1String("--sandbox")) {
      if (i + 1 >= all.size()) return false;
      arguments.sandbox = all[++i].toLocal8Bit().toStdString();
    } else {
      arguments.form.push_back(all[i].toLocal8Bit().toStdString());
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Kalvento"));
  QApplication::setApplicationName(QStringLiteral("Norvane"));
  QApplication::setApplicationVersion(QStringLiteral(NORVANE_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("norvane-gui"));

  Arguments arguments;
  if (!ParseArguments(QApplication::arguments(), arguments)) {
    std::fprintf(stderr, "usage: norvane-gui [--sandbox DIR] [PROJECT.nvp]\n");
    return 2;
  }

  EventLoop& loop = EventLoop::Default();
  EventLoopBridge bridge(loop);
  QtMainFormUi ui(loop);
  GuiStartupUi startupUi;
  std::unique_ptr<TINI> ini;
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<MainWindowView> window;
  std::unique_ptr<MainWindowSpelling> spelling;
  std::unique_ptr<SandboxSession> sandbox;

  TStartupSequence startup(startupUi, loop);
  startup.CreateSettings = [&] {
    ini = std::make_unique<TINI>();
    SetTheIni(ini.get());
    ApplyStartLanguageSetting(*ini);
  };
  startup.CreateMainWindow = [&] {
    form = std::make_unique<TMainForm>(ui, *ini, RegistryHive::CurrentUser(), loop);
    // The view takes its menu and label texts from the word tables when it
    // is built, before FormCreate would read them.
    form->Guarded([&] { form->WordTables = TWordTables::ReadInstalled(); });
    window = std::make_unique<MainWindowView>(*form, ui, bridge);
    window->setEnabled(false);
    startupUi.window = window.get();
    // A spelling configuration that cannot be read is reported; the window goes on without the checker.
    form->Guarded([&] { spelling = std::make_unique<MainWindowSpelling>(*form, ui, window.get()); });
    if (!arguments.sandbox.empty()) {
      sandbox = std::make_unique<SandboxSession>(*form, arguments.sandbox, loop);
      if (ini->ilFrom().Text().empty()) form->Sending.Overrides.From = kSandboxSender;
    }
    form->FormCreate(arguments.form);
  };
  startup.StartupDialogs = [&] {
    form->StartupDialogs();
    window->LoadFromLogic();
  };
  try {
    startup.Run();
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, QStringLiteral("Norvane"), QString::fromLocal8Bit(error.what()));
    return 1;
  }
  int status = QApplication::exec();
  spelling.reset();
  window.reset();
  sandbox.reset();
  form.reset();
  SetTheIni(nullptr);
  return status;
}
