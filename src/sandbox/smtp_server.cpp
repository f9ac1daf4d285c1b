#include "sandbox/smtp_server.h"

#include <cstdlib>
#include <deque>

#include "sandbox/smtp_session.h"

namespace norvane {

class SandboxSmtpServer::Connection {
 public:
  explicit Connection(SandboxSmtpServer& server)
      : server_(server), socket_(server.loop_), sink_(server.folder_), session_(sink_, server.hostName_) {
    session_.SetTryCounts(&server.tryCounts_);
  }

  ~Connection() { Detach(); }

  void Begin(int handle) {
    socket_.OnDataAvailable = [this](_TCustomWSocket*, uint16_t error) {
      if (error == 0) OnData();
    };
    socket_.OnDataSent = [this](_TCustomWSocket*, uint16_t) { OnSent(); };
    socket_.OnSessionClosed = [this](_TCustomWSocket*, uint16_t) { Lost(); };
    // A send on a connection the client just reset is not worth an exception.
    socket_.OnError = [](_TCustomWSocket*) {};
    // A plain close (FIN): the last reply, "221" say, is delivered before the end of the connection.
    socket_.SetLingerOnOff(wsLingerOff);
    socket_.Dup(handle);
    ArmIdleTimer();
    session_.Start();
    Collect();
  }

 private:
  void OnData() {
    char buffer[16384];
    int length = socket_.Receive(buffer, sizeof buffer);
    if (length <= 0) return;
    ArmIdleTimer();
    session_.Feed(std::string_view(buffer, static_cast<size_t>(length)));
    Collect();
  }

  void Collect() {
    for (SmtpAction& action : session_.TakeActions()) pending_.push_back(std::move(action));
    Pump();
  }

  // Performs the session's actions in order; a wait holds back everything after it.
  void Pump() {
    while (!pending_.empty() && waitTimer_ == 0 && !closing_ && !released_) {
      SmtpAction action = std::move(pending_.front());
      pending_.pop_front();
      switch (action.kind) {
        case SmtpAction::Kind::kSend:
          socket_.Send(action.bytes.data(), static_cast<int>(action.bytes.size()));
          break;
        case SmtpAction::Kind::kWait:
          waitTimer_ = server_.loop_.AddTimer(action.waitMs, [this] {
            waitTimer_ = 0;
            ArmIdleTimer();  // the client's silence counts from the held reply on
            Pump();
          });
          break;
        case SmtpAction::Kind::kClose:
          closing_ = true;  // after what is queued has gone out
          if (socket_.AllSent()) Finish();
          return;
      }
    }
  }

  void OnSent() {
    if (closing_) Finish();
  }

  void ArmIdleTimer() {
    if (idleTimer_) server_.loop_.CancelTimer(idleTimer_);
    idleTimer_ = server_.loop_.AddTimer(kIdleTimeoutMs, [this] {
      idleTimer_ = 0;
      if (closing_) {
        Finish();  // the client does not even read its last replies
      } else if (waitTimer_) {
        ArmIdleTimer();  // the client is waiting for us (a scripted delay), not silent
      } else {
        session_.IdleTimeout();
        Collect();
      }
    });
  }

  void Finish() {
    socket_.OnSessionClosed = nullptr;
    socket_.Close();
    Lost();
  }

  void Lost() {
    if (released_) return;
    released_ = true;
    session_.ConnectionLost();
    Detach();
    server_.Release(this);
  }

  // No callback reaches this connection any more.
  void Detach() {
    if (idleTimer_) server_.loop_.CancelTimer(idleTimer_);
    if (waitTimer_) server_.loop_.CancelTimer(waitTimer_);
    idleTimer_ = waitTimer_ = 0;
    socket_.OnDataAvailable = nullptr;
    socket_.OnDataSent = nullptr;
    socket_.OnSessionClosed = nullptr;
    if (socket_.state() != wsClosed) socket_.Abort();
    socket_.OnError = nullptr;
  }

  SandboxSmtpServer& server_;
  _TWSocket socket_;
  MessageFolderSink sink_;
  SandboxSmtpSession session_;
  std::deque<SmtpAction> pending_;
  EventLoop::TimerId waitTimer_ = 0;
  EventLoop::TimerId idleTimer_ = 0;
  bool closing_ = false;
  bool released_ = false;
};

SandboxSmtpServer::SandboxSmtpServer(MessageFolder& folder, std::string hostName, EventLoop& loop)
    : folder_(folder), hostName_(std::move(hostName)), loop_(loop), listener_(loop) {}

SandboxSmtpServer::~SandboxSmtpServer() {
  *alive_ = false;
  Stop();
}

void SandboxSmtpServer::Start(const std::string& address, uint16_t port) {
  listener_.SetProto("tcp");
  listener_.SetAddr(address);
  listener_.SetPort(std::to_string(port));
  listener_.SetListenBacklog(512);  // a mailing opens many sessions at once
  listener_.SetListenReuseAddress(true);
  listener_.OnSessionAvailable = [this](_TCustomWSocket*, uint16_t error) {
    if (error == 0) OnSessionAvailable();
  };
  listener_.Listen();
  // From here on a failing accept (out of descriptors, say) must not end the loop.
  listener_.OnError = [](_TCustomWSocket*) {};
  port_ = static_cast<uint16_t>(std::atoi(listener_.LocalPortText().c_str()));
}

void SandboxSmtpServer::Stop() {
  listener_.OnSessionAvailable = nullptr;
  listener_.OnError = nullptr;
  if (listener_.state() != wsClosed) listener_.Abort();
  port_ = 0;
  connections_.clear();
}

void SandboxSmtpServer::OnSessionAvailable() {
  int handle = listener_.Accept();
  if (handle < 0) return;
  auto connection = std::make_unique<Connection>(*this);
  Connection* raw = connection.get();
  connections_.emplace(raw, std::move(connection));
  raw->Begin(handle);
}

void SandboxSmtpServer::Release(Connection* connection) {
  // Freed from the loop, not inside the socket callback that got here.
  loop_.Post([this, connection, alive = std::weak_ptr<bool>(alive_)] {
    if (auto live = alive.lock(); live && *live) connections_.erase(connection);
  });
}

}  // namespace norvane
