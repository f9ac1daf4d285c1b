// The SMTP client the system creates: the protocol of _TCustomSmtpClient plus
// file attachments, which turn the message into a multipart one with every
// file in base64 (see MessageComposer).
#pragma once

#include <string>
#include <vector>

#include "smtp/custom_smtp_client.h"

namespace norvane {

class _TSmtpCli : public _TCustomSmtpClient {
 public:
  explicit _TSmtpCli(EventLoop& loop = EventLoop::Default()) : _TCustomSmtpClient(loop) {}

  const std::vector<std::string>& EmailFiles() { return Composer().EmailFiles(); }
  // Trims the lines, drops blank ones, and throws SmtpException
  // "File not found '<path>'" at the first path that is not an existing file
  // (the paths before it stay stored). An empty list removes every attachment.
  void SetEmailFiles(const std::vector<std::string>& lines) { Composer().SetEmailFiles(lines); }

  // How every message is written beyond the plain form: MIME encoding, DKIM signature.
  const MessageFormat& Format() { return Composer().Format; }
  void SetFormat(const MessageFormat& format) { Composer().Format = format; }
};

}  // namespace norvane
