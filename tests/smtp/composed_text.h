// A message as the receiving server stores it: the header lines and the data
// lines of a composer, each ended by CR LF, without the dot-stuffing of the
// wire (which the server undoes) and without the final ".".
#pragma once

#include <string>

#include "smtp/message_composer.h"

namespace norvane::test {

inline std::string ReceivedText(MessageComposer& composer) {
  std::string text;
  std::string line;
  while (composer.NextHeaderLine(line)) text += line + "\r\n";
  while (composer.NextDataLine(line)) text += line + "\r\n";
  return text;
}

}  // namespace norvane::test
