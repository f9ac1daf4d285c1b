// The transcript of one recipient's delivery: the DNS steps, the hosts tried,
// the SMTP commands and replies. A server can make one recipient's dialogue
// long (replies of a hundred lines to every command, on every mail exchanger),
// so once the transcript passes its budget only its head and its tail are
// kept, with one line saying how many lines were left out between them. How it
// began and how it ended are what a reader needs.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace norvane {

class Transcript {
 public:
  static constexpr std::size_t kHeadLines = 100;
  static constexpr std::size_t kTailLines = 100;
  static constexpr std::size_t kHeadBytes = std::size_t{64} * 1024;
  static constexpr std::size_t kTailBytes = std::size_t{64} * 1024;

  Transcript();

  void Add(std::string line);
  void Clear();
  // Every line, or the head, "... N lines left out ..." and the tail. Valid
  // until the next Add or Clear.
  const std::vector<std::string>& Lines();
  std::size_t LeftOut() const { return leftOut_; }

 private:
  std::vector<std::string> head_;
  std::size_t headBytes_ = 0;
  std::deque<std::string> tail_;  // filled only once the head is full
  std::size_t tailBytes_ = 0;
  std::size_t leftOut_ = 0;
  std::vector<std::string> joined_;
};

}  // namespace norvane
