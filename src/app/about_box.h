// The About box: the product's name and version, a notice line, the system
// it runs on and its physical memory. The texts are made from plain values
// so that every line can be checked without the machine it describes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/modal_form.h"
#include "platform/system_info.h"

namespace norvane {

inline constexpr char kAboutNotice[] = "A mass e-mailer with mail merge, by Kalvento Software.";

// "Version a.b.c.d": the build's version as the four parts of a file version,
// missing parts 0 ("0.1.0" -> "Version 0.1.0.0"); "Version " when the build
// carries no version.
std::string VersionLine(std::string_view version);

// "%s %d.%d" from the kernel's name and release; "(Build %d)" is added when
// the release has a third number, "(Build %d: %s)" when text follows it
// ("Linux", "6.1.0-18-amd64" -> "Linux 6.1 (Build 0: 18-amd64)"). The name
// alone when the release does not start with a number.
std::string SystemLine(std::string_view name, std::string_view release);

// "Memory Available to <name>: " and the physical memory in kilobytes,
// grouped by threes with `thousandSeparator` ('\0': not grouped), then " Kb".
std::string MemoryLine(std::string_view name, uint64_t bytes, char thousandSeparator);

class TAboutBox : public TModalForm {
 public:
  // The lines for `version` (the build's) on the system `info` describes.
  TAboutBox(std::string_view version, const SystemInfo& info, char thousandSeparator);

  std::string ProductName = "Norvane";
  std::string Version;
  std::string Notice = kAboutNotice;
  std::string OSVersion;
  std::string PhysMem;

  void OKButtonClick() { ModalResult = TModalFormResult::mrOk; }
};

}  // namespace norvane
