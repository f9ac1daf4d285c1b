#include "smtp/smtp_auth.h"

#include <openssl/evp.h>

#include <algorithm>

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

std::string SmtpBase64(std::string_view bytes) {
  std::string out;
  // EVP_EncodeBlock counts in int; whole groups of three bytes per call keep the pieces joinable.
  constexpr std::size_t kChunk = 3 * 1024 * 1024;
  for (std::size_t start = 0; start < bytes.size(); start += kChunk) {
    const std::size_t chunk = std::min(bytes.size() - start, kChunk);
    std::string piece(4 * ((chunk + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(piece.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data() + start),
                                  static_cast<int>(chunk));
    out.append(piece.data(), static_cast<std::size_t>(n > 0 ? n : 0));
  }
  return out;
}

std::string AuthPlainResponse(std::string_view user, std::string_view password) {
  std::string message;
  message += '\0';
  message += user;
  message += '\0';
  message += password;
  return SmtpBase64(message);
}

}  // namespace norvane
