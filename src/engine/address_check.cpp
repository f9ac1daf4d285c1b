#include "engine/address_check.h"

#include <cstdio>

namespace norvane {

bool IsUsableEnvelopeAddress(const std::string& address) {
  for (char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte == 0x7F || c == '<' || c == '>') return false;
  }
  return true;
}

std::string PrintableAddress(const std::string& address) {
  std::string out;
  for (char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < ' ' || byte == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace norvane
