// The error the SMTP client and its message composition raise synchronously
// for misuse and for input they refuse; results of network work never raise.
#pragma once

#include <stdexcept>
#include <string>

namespace norvane {

class SmtpException : public std::runtime_error {
 public:
  explicit SmtpException(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace norvane
