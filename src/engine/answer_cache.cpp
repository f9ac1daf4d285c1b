#include "engine/answer_cache.h"

#include <algorithm>

namespace norvane {

std::string TAnswerCache::Key(const std::string& name) {
  std::string key = name;
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  // "example.org." and "example.org" are one name.
  if (!key.empty() && key.back() == '.') key.pop_back();
  return key;
}

uint32_t TAnswerCache::Expiry(uint32_t ttlSeconds, uint32_t now) {
  return now + std::min(ttlSeconds, kLongestSeconds) * 1000u;
}

const TMxAnswer* TAnswerCache::FindMx(const std::string& domain, uint32_t now) const {
  auto found = mx_.find(Key(domain));
  if (found == mx_.end() || !Fresh(found->second.expires, now)) return nullptr;
  return &found->second.value;
}

void TAnswerCache::StoreMx(const std::string& domain, TMxAnswer answer, uint32_t ttlSeconds, uint32_t now) {
  if (ttlSeconds == 0) {
    mx_.erase(Key(domain));
    return;
  }
  mx_[Key(domain)] = {std::move(answer), Expiry(ttlSeconds, now)};
}

const std::vector<std::string>* TAnswerCache::FindAddresses(const std::string& host, uint32_t now) const {
  auto found = addresses_.find(Key(host));
  if (found == addresses_.end() || !Fresh(found->second.expires, now)) return nullptr;
  return &found->second.value;
}

void TAnswerCache::StoreAddresses(const std::string& host, std::vector<std::string> addresses,
                                  uint32_t ttlSeconds, uint32_t now) {
  if (ttlSeconds == 0 || addresses.empty()) {
    addresses_.erase(Key(host));
    return;
  }
  addresses_[Key(host)] = {std::move(addresses), Expiry(ttlSeconds, now)};
}

bool TAnswerCache::BeginQuestion(Question kind, const std::string& name, std::function<void()> wake) {
  auto [entry, added] = asking_.try_emplace((kind == Question::kMx ? "MX " : "A ") + Key(name));
  if (!added) entry->second.push_back(std::move(wake));
  return added;
}

std::vector<std::function<void()>> TAnswerCache::EndQuestion(Question kind, const std::string& name) {
  std::vector<std::function<void()>> waiters;
  auto found = asking_.find((kind == Question::kMx ? "MX " : "A ") + Key(name));
  if (found == asking_.end()) return waiters;
  waiters = std::move(found->second);
  asking_.erase(found);
  return waiters;
}

void TAnswerCache::Clear() {
  mx_.clear();
  addresses_.clear();
  asking_.clear();
}

}  // namespace norvane
