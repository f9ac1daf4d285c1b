// _TDnsQuery: asks one DNS server over UDP for the MX records of a domain and keeps
// the exchanges of the reply for its owner, a delivery session, which reuses it for
// every recipient.
//
// Contract: LookupMx sends the query and returns at once; each accepted reply later
// fires OnRequestDone(this, 0), a receive error fires it with the socket's error.
// Datagrams shorter than a header, datagrams that are not responses, datagrams from
// any other address or port than the server's, and replies that do not carry the
// query's id and question are ignored. Ids are random (RFC 5452): with a fresh local
// port per query, a forged answer has to guess both.
// There is no retry, time-out or TCP fallback here: a query that gets no answer
// never completes, and the owner's watchdog ends the wait. The owner may release the
// resolver from inside OnRequestDone.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/dns_message.h"

namespace norvane {

class EventLoop;
class _TWSocket;

class _TDnsQuery {
 public:
  using TDnsRequestDoneEvent = std::function<void(_TDnsQuery* Sender, uint16_t Error)>;

  explicit _TDnsQuery(EventLoop& loop);
  _TDnsQuery();  // on EventLoop::Default()
  virtual ~_TDnsQuery();
  _TDnsQuery(const _TDnsQuery&) = delete;
  _TDnsQuery& operator=(const _TDnsQuery&) = delete;

  // The server: a number or a service name, and a dotted address or a host name.
  const std::string& Port() const { return port_; }
  void SetPort(std::string port) { port_ = std::move(port); }
  const std::string& Addr() const { return addr_; }
  void SetAddr(std::string addr) { addr_ = std::move(addr); }
  TDnsRequestDoneEvent OnRequestDone;

  // Sends the query under a new random id and returns it. Throws dns::DnsQueryError for a domain that
  // cannot be asked as written (empty label, label over 63 or name over 255 octets),
  // and the socket's exception when the query cannot be sent (an unusable Addr).
  uint16_t LookupMx(const std::string& domain);

  uint16_t QueryId() const { return queryId_; }
  // Results of the last accepted reply, readable until the next LookupMx.
  int AnswerCount() const { return reply_.answerCount; }  // as the header announced it
  int AnswerType(int i) const;                            // 0 outside 0..49
  int AnswerSlot(int i) const;                            // MX table index, or -1
  std::string MxExchange(int j) const;                    // empty outside 0..MxCount-1
  int MxPreference(int j) const;                          // 0 outside 0..MxCount-1
  int MxCount() const { return reply_.mxCount; }
  // The smallest time to live of its answer records (seconds) and its response code.
  uint32_t AnswerTtl() const { return reply_.minTtl; }
  int ResponseCode() const { return reply_.rcode; }
  // The reply is a null MX: the domain accepts no mail (RFC 7505).
  bool NullMx() const { return dns::IsNullMx(reply_); }

 protected:
  virtual void WriteHeader();
  virtual int WriteQuestion(const std::string& domain);
  virtual void ResponseArrived(uint16_t error);
  virtual void NotifyDone(uint16_t error);

 private:
  void SendQuery();

  std::string port_ = "53";
  std::string addr_;
  std::unique_ptr<_TWSocket> socket_;
  uint16_t queryId_ = 0;
  std::array<uint8_t, dns::kMaxDatagram> query_{};
  std::size_t queryLength_ = 0;
  std::array<uint8_t, dns::kMaxDatagram> received_{};
  dns::MxReply reply_;
};

}  // namespace norvane
