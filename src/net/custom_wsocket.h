// The event-driven TCP/UDP socket at the bottom of the socket chain. Nothing here waits for the
// network: Connect starts a connection, Send queues bytes, and every outcome arrives later as a
// callback from the EventLoop. Errors use the Windows Sockets numbers of net/socket_errors.h.
//
// Misuse (a call in the wrong state, a bad property value) goes through RaiseSocketError: OnError
// when it is set, an ESocketException otherwise. Results of network work never throw.
//
// A callback may destroy the socket (or its owner). Every path that fires a callback checks a
// liveness token afterwards and returns without touching the object when it died.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/buffer.h"
#include "net/host_lookup.h"
#include "platform/event_loop.h"

namespace norvane {

enum TSocketState {
  wsInvalidState,
  wsOpened,
  wsBound,
  wsConnecting,
  wsConnected,
  wsAccepting,
  wsListening,
  wsClosed
};
enum TSocketSendFlags { wsSendNormal = 0, wsSendUrgent = 1 };
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };

class ESocketException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Text to IPv4 address in network byte order: a dotted address, or a name looked up with a
// blocking lookup (which honours SetResolverServers). Throws ESocketException.
uint32_t WSocketResolveHost(const std::string& text);
// Port number (host order) of a decimal text or a service name of /etc/services; "smtp" and
// "domain" keep their well-known numbers where that table does not know them.
uint16_t WSocketResolvePort(const std::string& text, const std::string& proto);
// Protocol number of a decimal text or a name of /etc/protocols ("tcp" 6, "udp" 17).
int WSocketResolveProto(const std::string& text);
// The machine's host name; ESocketException "Winsock.GetHostName failed".
std::string LocalHostName();

class _TCustomWSocket {
 public:
  using TNotifyError = std::function<void(_TCustomWSocket* Sender, uint16_t Error)>;
  using TChangeState =
      std::function<void(_TCustomWSocket* Sender, TSocketState OldState, TSocketState NewState)>;
  using TNotify = std::function<void(_TCustomWSocket* Sender)>;
  using TNotifyCount = std::function<void(_TCustomWSocket* Sender, std::size_t Count)>;
  using TBgExceptionEvent =
      std::function<void(_TCustomWSocket* Sender, const std::exception& e, bool& CanClose)>;

  // Winsock-style notification bits, as the notification handler receives them.
  enum : uint32_t { FD_READ = 1, FD_WRITE = 2, FD_OOB = 4, FD_ACCEPT = 8, FD_CONNECT = 16, FD_CLOSE = 32 };

  explicit _TCustomWSocket(EventLoop& loop = EventLoop::Default());
  virtual ~_TCustomWSocket();
  _TCustomWSocket(const _TCustomWSocket&) = delete;
  _TCustomWSocket& operator=(const _TCustomWSocket&) = delete;

  // --- properties ---------------------------------------------------------------------------
  const std::string& Addr() const { return addrStr_; }
  void SetAddr(const std::string& value);
  const std::string& port() const { return portStr_; }
  virtual void SetPort(const std::string& value);
  const std::string& proto() const { return protoStr_; }
  virtual void SetProto(const std::string& value);
  const std::string& LocalPort() const { return localPortStr_; }
  void SetLocalPort(const std::string& value);
  const std::string& DnsResult() const { return dnsResult_; }
  const std::vector<std::string>& DnsResultList() const { return dnsResultList_; }
  TSocketState state() const { return state_; }
  int ReadCount() const { return readCount_; }
  virtual int Rcvdcount();  // bytes waiting; -1 after a failure
  int LastError() const { return lastError_; }
  bool MultiThreaded() const { return multiThreaded_; }
  void SetMultiThreaded(bool value) { multiThreaded_ = value; }
  int SendFlags() const { return sendFlags_; }
  void SetSendFlags(int value);  // wsSendNormal or wsSendUrgent, else "Invalid SendFlags"
  TSocketLingerOnOff LingerOnOff() const { return lingerOnOff_; }
  void SetLingerOnOff(TSocketLingerOnOff value) { lingerOnOff_ = value; }
  int LingerTimeout() const { return lingerTimeout_; }
  void SetLingerTimeout(int seconds) { lingerTimeout_ = seconds; }
  // Backlog of Listen (5 unless changed; a server taking many connections at once wants more).
  void SetListenBacklog(int backlog) { listenBacklog_ = backlog; }
  // TCP Listen binds with SO_REUSEADDR, so a server restarted at once gets its port back while
  // connections it closed linger in TIME_WAIT (off unless asked; the sandbox asks).
  void SetListenReuseAddress(bool on) { listenReuseAddress_ = on; }
  // TCP Connect switches off the small-segment delay, so a protocol that writes a burst of
  // short lines (a message's data) does not stall on the peer's delayed acknowledgement.
  void SetTcpNoDelay(bool on) { tcpNoDelay_ = on; }
  int HSocket() const { return handle_; }
  bool AllSent() const { return allSent_; }
  size_t BufferedBytes() const;  // bytes in the send queue not yet handed to the network
  EventLoop& Loop() const { return loop_; }

  // --- events (fired from the event loop; Sender is this socket) ---------------------------
  TNotifyError OnSessionConnected;
  TNotifyError OnDataAvailable;
  TNotifyError OnDataSent;
  // Count bytes were just handed to the network (not merely queued): progress on a slow link long
  // before the queue drains. Raised inside Send as well as from the loop, so a handler should only
  // take note of it.
  TNotifyCount OnBytesWritten;
  TNotifyError OnSessionClosed;
  TNotifyError OnSessionAvailable;
  TNotifyError OnDnsLookupDone;
  TChangeState OnChangeState;
  TNotify OnError;
  TBgExceptionEvent OnBgException;

  // --- operations ----------------------------------------------------------------------------
  virtual void Connect();
  virtual void Close();
  virtual void Abort();
  virtual void Flush();
  virtual void WaitForClose();
  virtual void Listen();
  virtual int Accept();
  virtual int Receive(void* buffer, int length);
  virtual std::string ReceiveText();
  virtual int ReceiveFrom(void* buffer, int length, sockaddr_in& from);
  virtual int Send(const void* data, int length);
  virtual int SendTo(const sockaddr_in& to, const void* data, int length);
  virtual int SendText(const std::string& text);
  virtual void LookupHost(const std::string& name);
  virtual void LookupAddress(const std::string& dotted);
  virtual void CancelLookup();
  virtual std::string PeerAddress();
  virtual int GetPeerName(sockaddr_in& name);
  virtual std::string LocalPortText();
  virtual void Dup(int handle);
  virtual void Shutdown(int how);
  virtual void Pause();
  virtual void Resume();

 protected:
  // A shared flag that outlives the socket; false once the destructor has begun.
  using AliveToken = std::shared_ptr<const bool>;
  AliveToken Token() const { return alive_; }
  static bool Alive(const AliveToken& t) { return *t; }
  bool Destroying() const { return destroying_; }

  // The notification handler: events handled in the fixed order connect, read, write, accept,
  // close. Exceptions from callbacks end here as background exceptions.
  virtual void HandleNotification(uint32_t events, uint16_t error);
  virtual void ResetDefaults();
  // Closes the handle (after a shutdown of the sending direction when asked), fires
  // OnSessionClosed(error) once, and resets the defaults.
  virtual void CloseSocket(bool shutdownFirst, uint16_t error);
  // The raw operations: overridable, so tests can make the network take only part of a send.
  // They return -1 and leave the Windows Sockets number in PlatformError() on failure.
  virtual int RealSend(const void* data, int length);
  virtual int DoRecv(void* buffer, int length, int flags);
  virtual int DoRecvFrom(void* buffer, int length, sockaddr_in& from);
  // Bytes already taken from the network and held by a layer above it (a TLS record's
  // plaintext, a SOCKS reply's leftover, a line not yet handed out). No readiness of the
  // socket announces them, so the reader is called again while they last. No system call.
  virtual int HeldReceived() { return 0; }
  virtual void RaiseSocketError(const std::string& text);
  void SocketError(const std::string& function);
  virtual void HandleBackGroundException(const std::exception& e);

  // Triggers. TriggerDataAvailable returns false when no handler is set.
  virtual bool TriggerDataAvailable(uint16_t error);
  virtual void TriggerSessionAvailable(uint16_t error);
  virtual void TriggerSessionConnected(uint16_t error);
  virtual void TriggerSessionClosed(uint16_t error);
  virtual void TriggerDataSent(uint16_t error);
  // Raises OnBytesWritten for the bytes written since the last report, if any.
  void ReportBytesWritten();
  virtual void TriggerChangeState(TSocketState oldState, TSocketState newState);
  virtual void TriggerDnsLookupDone(uint16_t error);
  virtual void TriggerError();

  // Fires OnDataAvailable until the bytes waiting are read (see the source for the stop rules).
  void ReadyRead(uint16_t error, bool draining = false);
  void TryToSend();
  void ChangeState(TSocketState newState);
  void QueueData(const void* data, int length);
  void DeleteBufferedData();
  // Posts a notification for the current handle, delivered from the loop.
  void PostNotification(uint32_t events, uint16_t error);
  void UpdateInterest();
  void SetLingerOption();
  void BindSocket();

  int PlatformError() const { return platformError_; }
  void SetPlatformError(int e) { platformError_ = e; }
  bool IsDatagram() const { return socketType_ == 2; }

  EventLoop& loop_;
  int handle_ = -1;
  TSocketState state_ = wsClosed;
  sockaddr_in sin_{};
  int socketType_ = 1;  // 1 stream, 2 datagram
  int protoNumber_ = 6;
  bool protoAssigned_ = false, protoResolved_ = false;
  bool portAssigned_ = false, portResolved_ = false;
  bool localPortAssigned_ = false, localPortResolved_ = false;
  bool addrAssigned_ = false, addrResolved_ = false;
  uint16_t localPortNum_ = 0;
  std::string addrStr_, portStr_, protoStr_, localPortStr_;
  std::string dnsResult_;
  std::vector<std::string> dnsResultList_;
  int readCount_ = 0;
  int lastError_ = 0;
  int platformError_ = 0;
  bool multiThreaded_ = false;
  int sendFlags_ = wsSendNormal;
  TSocketLingerOnOff lingerOnOff_ = wsLingerOn;
  int lingerTimeout_ = 0;
  int listenBacklog_ = 5;
  bool listenReuseAddress_ = false;
  bool tcpNoDelay_ = false;
  std::deque<std::unique_ptr<_TBuffer>> sendQueue_;
  static constexpr int32_t kGatherBytes = 64 * 1024;
  std::vector<uint8_t> gather_;  // several small blocks sent with one system call
  int32_t bufSize_ = _TBuffer::kDefaultSize;
  bool allSent_ = true;
  std::size_t bytesWritten_ = 0;  // written to the network since the last OnBytesWritten
  bool closedNotified_ = false;
  // The end of the stream (or its reset) as a receive saw it, so that a read needs no other
  // system call to learn of it.
  bool peerEnded_ = false;
  uint16_t peerEndError_ = 0;
  uint32_t networkReads_ = 0;  // receives from the network, to tell a reader that took nothing
  bool paused_ = false;
  bool writeWanted_ = false;  // the network refused part of the queue: watch for writability
  bool writePosted_ = false;  // a write notification is already on its way through the loop
  uint32_t watchedEvents_ = 0;
  std::unique_ptr<HostLookup> lookup_;
  bool lookupPending_ = false;

 private:
  void SetWhileClosed(const char* property, std::string value, std::string& text, bool& assigned,
                      bool& resolved);
  void OnReady(int handle, uint32_t ready);
  void OnLookupDone(const HostLookupResult& result, bool reverse);
  bool PeerClosed(uint16_t& error);
  void ForgetReads();

  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool destroying_ = false;
};

}  // namespace norvane
