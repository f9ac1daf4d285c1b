#include "smtp/smtp_auth.h"

#include "smtp/base64.h"

namespace norvane {

SmtpAuthMechanism ChooseAuthMechanism(const EhloCapabilities& capabilities) {
  if (capabilities.OffersAuth("PLAIN")) return SmtpAuthMechanism::kPlain;
  if (capabilities.OffersAuth("LOGIN")) return SmtpAuthMechanism::kLogin;
  return SmtpAuthMechanism::kNone;
}

const char* AuthMechanismName(SmtpAuthMechanism mechanism) {
  switch (mechanism) {
    case SmtpAuthMechanism::kPlain:
      return "PLAIN";
    case SmtpAuthMechanism::kLogin:
      return "LOGIN";
    case SmtpAuthMechanism::kNone:
      break;
  }
  return "";
}

std::string AuthPlainResponse(std::string_view user, std::string_view password) {
  std::string message;
  message += '\0';
  message += user;
  message += '\0';
  message += password;
  return Base64(message);
}

}  // namespace norvane
