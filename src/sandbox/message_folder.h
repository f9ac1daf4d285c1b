// The sandbox's mail folder: every accepted message becomes one .eml file
// holding exactly the bytes received (dot-stuffing undone), and every message
// and every refused recipient one line of "index.txt" in the same folder.
//
// Index lines are tab-separated: time (local, ISO 8601), envelope sender,
// recipients (comma-separated), size in bytes ("-" for a refusal), the reply
// given, and the file name ("-" for a refusal). Tabs, backslashes and control
// bytes inside a field are written as \t, \\ and \xHH so a line is always one
// record.
//
// A message is written to a hidden ".<id>.part" file while it arrives and
// renamed to "<id>.eml" only when it is complete, so a half-received message
// never looks like a stored one. Identifiers are "YYYYMMDD-HHMMSS-NNNNNN"
// and never reuse a name already in the folder.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

#include "platform/clock.h"
#include "sandbox/message_sink.h"

namespace norvane {

// The folder shared by every session of one sandbox.
class MessageFolder {
 public:
  // Creates the folder when missing; throws std::runtime_error when it cannot.
  explicit MessageFolder(std::string path, Clock& clock = CurrentClock());

  const std::string& path() const { return path_; }
  std::string indexPath() const { return path_ + "/index.txt"; }

  // A fresh identifier whose .eml and .part names are both unused.
  std::string ReserveId();
  // Appends one record; false when it could not be written.
  bool AppendIndexLine(std::string_view sender, std::string_view recipients, std::string_view size,
                       std::string_view reply, std::string_view file);

 private:
  std::string path_;
  Clock& clock_;
  uint64_t sequence_ = 0;
};

// One session's view of the folder: sessions stream messages at the same time,
// so each has its own open file.
class MessageFolderSink : public MessageSink {
 public:
  explicit MessageFolderSink(MessageFolder& folder) : folder_(folder) {}
  ~MessageFolderSink() override;

  std::string BeginMessage(const Envelope& envelope) override;
  void AppendMessageData(std::string_view bytes) override;
  bool EndMessage(std::string_view reply) override;
  void AbandonMessage() override;
  void RecordRefusal(std::string_view sender, std::string_view recipient, std::string_view reply) override;

 private:
  MessageFolder& folder_;
  Envelope envelope_;
  std::string id_;
  std::string partPath_;
  std::ofstream file_;
  uint64_t size_ = 0;
};

}  // namespace norvane
