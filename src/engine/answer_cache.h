// The DNS answers of one run, so that a domain with thousands of recipients is
// asked once, not once per recipient: MX answers keyed by domain and the
// addresses of mail exchangers keyed by host name, both without regard to
// ASCII case. An entry lives no longer than the smallest time to live of its
// records (a time to live of 0 is not kept at all); an answer without MX
// records lives a short fixed time, since a reply without records carries no
// time to live of its own here. At most a day, whatever the records say.
//
// One question at a time per name: while a session's query for a domain (or a
// host's address) is out, the others that need it wait for that answer
// instead of asking too. The asker ends its question with or without an
// answer; either way the waiters are woken and find the answer cached, or ask
// themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/dns_message.h"

namespace norvane {

// What a session made of an MX reply.
struct TMxAnswer {
  std::vector<dns::MxHost> hosts;  // in the order of the answer; the root name left out
  bool nullMx = false;
  std::string foundLine;  // the transcript line "N SMTP Relays found: ..."; empty without MX records
};

class TAnswerCache {
 public:
  static constexpr uint32_t kNegativeSeconds = 60;
  static constexpr uint32_t kLongestSeconds = 86400;

  // `now` is the loop's millisecond tick: entries expire by it.
  const TMxAnswer* FindMx(const std::string& domain, uint32_t now) const;
  void StoreMx(const std::string& domain, TMxAnswer answer, uint32_t ttlSeconds, uint32_t now);
  const std::vector<std::string>* FindAddresses(const std::string& host, uint32_t now) const;
  void StoreAddresses(const std::string& host, std::vector<std::string> addresses, uint32_t ttlSeconds,
                      uint32_t now);

  enum class Question { kMx, kAddress };
  // True: nobody is asking about `name`, and the caller now is. False: someone
  // is; `wake` runs when that question ends.
  bool BeginQuestion(Question kind, const std::string& name, std::function<void()> wake);
  // The asker's question ended; returns the waiters' wake calls, for the
  // caller to post to the loop.
  std::vector<std::function<void()>> EndQuestion(Question kind, const std::string& name);

  void Clear();

 private:
  template <typename Value>
  struct Entry {
    Value value;
    uint32_t expires = 0;
  };
  static std::string Key(const std::string& name);
  static bool Fresh(uint32_t expires, uint32_t now) { return static_cast<int32_t>(expires - now) > 0; }
  static uint32_t Expiry(uint32_t ttlSeconds, uint32_t now);

  std::unordered_map<std::string, Entry<TMxAnswer>> mx_;
  std::unordered_map<std::string, Entry<std::vector<std::string>>> addresses_;
  std::unordered_map<std::string, std::vector<std::function<void()>>> asking_;
};

}  // namespace norvane
