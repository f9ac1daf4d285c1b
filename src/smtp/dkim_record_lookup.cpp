#include "smtp/dkim_record_lookup.h"

#include <ares.h>
#include <arpa/nameser.h>

#include <algorithm>
#include <vector>

#include "platform/event_loop.h"

namespace norvane {

namespace {

struct Query {
  EventLoop* loop = nullptr;
  ares_channel channel = nullptr;
  std::vector<int> fds;
  EventLoop::TimerId timer = 0;
  bool done = false;
  TxtLookup result;
};

void Rearm(Query& query);

void ProcessAndRearm(Query& query, ares_socket_t readable, ares_socket_t writable) {
  ares_process_fd(query.channel, readable, writable);
  Rearm(query);
}

// c-ares keeps its own retry timers; the loop wakes it when the next one is due.
void Rearm(Query& query) {
  if (query.timer) query.loop->CancelTimer(query.timer);
  query.timer = 0;
  timeval tv{};
  timeval* left = ares_timeout(query.channel, nullptr, &tv);
  if (!left || query.done) return;
  const auto ms = static_cast<uint32_t>(left->tv_sec * 1000 + left->tv_usec / 1000 + 1);
  query.timer = query.loop->AddTimer(ms, [&query] {
    query.timer = 0;
    ProcessAndRearm(query, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
  });
}

void SocketState(void* data, ares_socket_t fd, int readable, int writable) {
  Query& query = *static_cast<Query*>(data);
  if (!readable && !writable) {
    query.loop->Unwatch(fd);
    std::erase(query.fds, fd);
    return;
  }
  const uint32_t events =
      (readable ? uint32_t{EventLoop::kReadable} : 0u) | (writable ? uint32_t{EventLoop::kWritable} : 0u);
  if (std::find(query.fds.begin(), query.fds.end(), fd) == query.fds.end()) query.fds.push_back(fd);
  query.loop->Watch(fd, events, [&query, fd](uint32_t ready) {
    ProcessAndRearm(query, (ready & (EventLoop::kReadable | EventLoop::kError)) ? fd : ARES_SOCKET_BAD,
                    (ready & EventLoop::kWritable) ? fd : ARES_SOCKET_BAD);
  });
}

void Answered(void* data, int status, int, unsigned char* answer, int length) {
  Query& query = *static_cast<Query*>(data);
  query.done = true;
  if (status != ARES_SUCCESS) {
    query.result.error = ares_strerror(status);
    return;
  }
  ares_txt_ext* txt = nullptr;
  status = ares_parse_txt_reply_ext(answer, length, &txt);
  if (status != ARES_SUCCESS) {
    query.result.error = ares_strerror(status);
    return;
  }
  for (ares_txt_ext* node = txt; node; node = node->next) {
    std::string piece(reinterpret_cast<const char*>(node->txt), node->length);
    if (node->record_start || query.result.records.empty())
      query.result.records.push_back(std::move(piece));
    else
      query.result.records.back() += piece;
  }
  ares_free_data(txt);
  query.result.found = !query.result.records.empty();
  if (!query.result.found) query.result.error = "no TXT record";
}

}  // namespace

TxtLookup LookupTxt(const std::string& name, const std::string& servers) {
  static const int initialized = ares_library_init(ARES_LIB_INIT_ALL);
  TxtLookup failed;
  if (initialized != ARES_SUCCESS) {
    failed.error = ares_strerror(initialized);
    return failed;
  }
  EventLoop loop;
  Query query;
  query.loop = &loop;
  ares_options options{};
  options.sock_state_cb = &SocketState;
  options.sock_state_cb_data = &query;
  int status = ares_init_options(&query.channel, &options, ARES_OPT_SOCK_STATE_CB);
  if (status == ARES_SUCCESS && !servers.empty())
    status = ares_set_servers_ports_csv(query.channel, servers.c_str());
  if (status != ARES_SUCCESS) {
    if (query.channel) ares_destroy(query.channel);
    failed.error = ares_strerror(status);
    return failed;
  }
  ares_query(query.channel, name.c_str(), ns_c_in, ns_t_txt, &Answered, &query);
  Rearm(query);
  while (!query.done) loop.RunOnce(1000);
  if (query.timer) loop.CancelTimer(query.timer);
  ares_destroy(query.channel);
  for (int fd : query.fds) loop.Unwatch(fd);
  return query.result;
}

}  // namespace norvane
