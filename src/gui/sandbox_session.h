// `norvane-gui --sandbox DIR`: the main window sends into the built-in local
// sandbox (DNS and SMTP servers on loopback, messages stored in DIR), as
// `norvane send --sandbox` does, so the window can be tried and photographed
// without mail leaving the machine. Tests use the same object.
#pragma once

#include <memory>
#include <string>

#include "platform/event_loop.h"
#include "sandbox/sandbox.h"

namespace norvane {

class TMainForm;

class SandboxSession {
 public:
  // Starts the sandbox and points the form's runs at it; throws with the
  // reason when it cannot start.
  SandboxSession(TMainForm& form, const std::string& folder, EventLoop& loop);
  ~SandboxSession();
  SandboxSession(const SandboxSession&) = delete;
  SandboxSession& operator=(const SandboxSession&) = delete;

  Sandbox& Servers() { return sandbox_; }

 private:
  Sandbox sandbox_;
};

// The sender of sandbox runs when the settings name none.
inline constexpr char kSandboxSender[] = "Norvane Sandbox <sender@sandbox.test>";

}  // namespace norvane
