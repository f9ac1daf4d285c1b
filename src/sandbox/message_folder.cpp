#include "sandbox/message_folder.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace norvane {

namespace {

namespace fs = std::filesystem;

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool Exists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(path, ignored);
}

}  // namespace

MessageFolder::MessageFolder(std::string path, Clock& clock) : path_(std::move(path)), clock_(clock) {
  std::error_code error;
  fs::create_directories(path_, error);
  if (error || !fs::is_directory(path_, error))
    throw std::runtime_error("cannot create the mail folder " + path_ + ": " + error.message());
}

std::string MessageFolder::ReserveId() {
  LocalDateTime now = clock_.Now();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d-", now.year, now.month, now.day, now.hour,
                now.minute, now.second);
  for (;;) {
    char number[24];
    std::snprintf(number, sizeof number, "%06llu", static_cast<unsigned long long>(++sequence_));
    std::string id = stamp + std::string(number);
    if (!Exists(path_ + "/" + id + ".eml") && !Exists(path_ + "/." + id + ".part")) return id;
  }
}

bool MessageFolder::AppendIndexLine(std::string_view sender, std::string_view recipients,
                                    std::string_view size, std::string_view reply, std::string_view file) {
  LocalDateTime now = clock_.Now();
  int offset = now.utcOffsetMinutes;
  char time[40];
  std::snprintf(time, sizeof time, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", now.year, now.month, now.day,
                now.hour, now.minute, now.second, offset < 0 ? '-' : '+',
                (offset < 0 ? -offset : offset) / 60, (offset < 0 ? -offset : offset) % 60);
  std::string line = std::string(time) + '\t' + Escape(sender) + '\t' + std::string(recipients) + '\t' +
                     std::string(size) + '\t' + Escape(reply) + '\t' + std::string(file) + '\n';
  std::ofstream index(indexPath(), std::ios::binary | std::ios::app);
  index.write(line.data(), static_cast<std::streamsize>(line.size()));
  index.close();
  return !index.fail();
}

MessageFolderSink::~MessageFolderSink() {
  AbandonMessage();
}

std::string MessageFolderSink::BeginMessage(const Envelope& envelope) {
  AbandonMessage();
  std::string id = folder_.ReserveId();
  std::string partPath = folder_.path() + "/." + id + ".part";
  file_.open(partPath, std::ios::binary | std::ios::trunc);
  if (!file_) {
    file_.clear();
    return {};
  }
  envelope_ = envelope;
  id_ = std::move(id);
  partPath_ = std::move(partPath);
  size_ = 0;
  return id_;
}

void MessageFolderSink::AppendMessageData(std::string_view bytes) {
  if (id_.empty()) return;
  file_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  size_ += bytes.size();
}

bool MessageFolderSink::EndMessage(std::string_view reply) {
  if (id_.empty()) return false;
  file_.close();
  bool written = !file_.fail();
  std::string emlName = id_ + ".eml";
  std::string emlPath = folder_.path() + "/" + emlName;
  std::error_code error;
  if (written) fs::rename(partPath_, emlPath, error);
  if (!written || error) {
    AbandonMessage();
    return false;
  }
  std::string recipients;
  for (const std::string& recipient : envelope_.recipients) {
    if (!recipients.empty()) recipients += ',';
    recipients += Escape(recipient);
  }
  bool indexed = folder_.AppendIndexLine(envelope_.sender, recipients, std::to_string(size_), reply, emlName);
  // A message the index does not list would be a silent half-success; the
  // client is told to retry instead.
  if (!indexed) fs::remove(emlPath, error);
  id_.clear();
  partPath_.clear();
  return indexed;
}

void MessageFolderSink::AbandonMessage() {
  if (id_.empty()) return;
  file_.close();
  file_.clear();
  std::error_code ignored;
  fs::remove(partPath_, ignored);
  id_.clear();
  partPath_.clear();
}

void MessageFolderSink::RecordRefusal(std::string_view sender, std::string_view recipient,
                                      std::string_view reply) {
  folder_.AppendIndexLine(sender, Escape(recipient), "-", reply, "-");
}

}  // namespace norvane
