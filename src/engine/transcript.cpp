#include "engine/transcript.h"

#include <utility>

namespace norvane {

Transcript::Transcript() {
  head_.reserve(kHeadLines);
}

void Transcript::Add(std::string line) {
  if (tail_.empty() && head_.size() < kHeadLines && headBytes_ + line.size() <= kHeadBytes) {
    headBytes_ += line.size();
    head_.push_back(std::move(line));
    return;
  }
  tailBytes_ += line.size();
  tail_.push_back(std::move(line));
  while (tail_.size() > 1 && (tail_.size() > kTailLines || tailBytes_ > kTailBytes)) {
    tailBytes_ -= tail_.front().size();
    tail_.pop_front();
    ++leftOut_;
  }
}

void Transcript::Clear() {
  head_.clear();
  headBytes_ = 0;
  tail_.clear();
  tailBytes_ = 0;
  leftOut_ = 0;
  joined_.clear();
}

const std::vector<std::string>& Transcript::Lines() {
  // Almost every transcript fits the head, and is handed out as it stands.
  if (tail_.empty()) return head_;
  joined_ = head_;
  if (leftOut_ != 0) joined_.push_back("... " + std::to_string(leftOut_) + " lines left out ...");
  joined_.insert(joined_.end(), tail_.begin(), tail_.end());
  return joined_;
}

}  // namespace norvane
