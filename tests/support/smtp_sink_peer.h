// A real SMTP server for tests: Postfix's smtp-sink on a loopback address and
// a free port, writing every message it accepts to its own file, so a test
// can compare what arrived with what was composed.
//
//   SmtpSinkPeer sink;                            // accepts everything
//   SmtpSinkPeer rejecting({"-f", "RCPT"});       // "RCPT" hard-rejected (500)
//   client.SetHost(sink.address()); client.SetPort(sink.portText());
//   ... run the loop until the client is done ...
//   EXPECT_EQ(SmtpSinkPeer::MessageOf(ReadFile(sink.DumpFiles()[0])), expected);
//
// The constructor returns once the server accepts connections and throws
// std::runtime_error (with smtp-sink's own complaint) when it cannot be
// started; the destructor stops it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace norvane::test {

class SmtpSinkPeer {
 public:
  // `options` are extra smtp-sink options (fault options such as -f, -r, -q, -B).
  // A `port` of 0 picks a free one; a given port lets several sinks on
  // different loopback addresses share it, as mail exchangers do.
  explicit SmtpSinkPeer(std::vector<std::string> options = {}, std::string address = "127.0.0.1",
                        uint16_t port = 0);
  ~SmtpSinkPeer();
  SmtpSinkPeer(const SmtpSinkPeer&) = delete;
  SmtpSinkPeer& operator=(const SmtpSinkPeer&) = delete;

  const std::string& address() const { return address_; }
  uint16_t port() const { return port_; }
  std::string portText() const { return std::to_string(port_); }

  // The message files written so far, in name order (smtp-sink writes a
  // message's file while receiving it and closes it at the end of the
  // transaction).
  std::vector<std::string> DumpFiles() const;
  // The folder they are written to.
  std::string DumpFolder() const { return dir_.File("msg"); }

  // The message of one dump file as the client sent it, with smtp-sink's own
  // lines (X-Client-Addr, ..., the folded Received: header) removed. Line ends
  // are LF there, dot-stuffing is undone, and smtp-sink adds one LF at the end.
  static std::string MessageOf(const std::string& dumpText);

  // The composed lines (data lines, not dot-stuffed) as MessageOf shows them.
  static std::string AsDumped(const std::vector<std::string>& lines);

 private:
  void Launch(const std::vector<std::string>& options);

  std::string address_;
  uint16_t port_ = 0;
  uint16_t fixedPort_ = 0;
  TempDir dir_;  // stderr log and the msg/ folder of dump files
  ChildProcess child_;
};

}  // namespace norvane::test
