// _TWSocket: the socket class the program creates (one TCP socket per SMTP client, one UDP socket
// per DNS resolver). The chain below it: _TCustomWSocket (core) -> _TCustomSocksWSocket (SOCKS
// 4/4A/5) -> _TCustomTlsWSocket (TLS mode) -> _TCustomLineWSocket (line mode) ->
// _TCustomSyncWSocket (WaitForFlag) -> _TWSocket.
#pragma once

#include "net/line_wsocket.h"

namespace norvane {

class _TWSocket : public _TCustomSyncWSocket {
 public:
  explicit _TWSocket(EventLoop& loop = EventLoop::Default()) : _TCustomSyncWSocket(loop) {}
};

}  // namespace norvane
