// The hourglass pointer for the length of a scope, back to normal however the
// work inside ends.
#pragma once

#include "app/ui_services.h"

namespace norvane {

class HourGlass {
 public:
  explicit HourGlass(TMainFormUi& ui) : ui_(ui) { ui_.SetCursor(TCursor::crHourGlass); }
  ~HourGlass() { ui_.SetCursor(TCursor::crDefault); }
  HourGlass(const HourGlass&) = delete;
  HourGlass& operator=(const HourGlass&) = delete;

 private:
  TMainFormUi& ui_;
};

}  // namespace norvane
