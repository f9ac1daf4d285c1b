#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/net_test_util.h"
#include "net/wsocket.h"

namespace norvane {
namespace {

using test::LoopbackListener;
using test::RunUntil;

// A connected pair on loopback: `client` (line mode under test) and the accepted `server`, which
// the test uses to feed bytes in chosen pieces.
class LineModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    listener_ = std::make_unique<LoopbackListener>(loop_);
    listener_->onAccept = [this](std::unique_ptr<_TWSocket> p) { server_ = std::move(p); };
    client_.OnDataAvailable = [this](_TCustomWSocket* s, uint16_t) {
      ++calls_;
      char buf[256];
      int n = s->Receive(buf, std::min<int>(take_, sizeof buf));
      if (n > 0) pieces_.emplace_back(buf, static_cast<size_t>(n));
    };
    client_.OnSessionClosed = [this](_TCustomWSocket*, uint16_t) { pieces_.push_back("<closed>"); };
    client_.SetProto("tcp");
    client_.SetAddr("127.0.0.1");
    client_.SetPort(listener_->port());
    client_.Connect();
    ASSERT_TRUE(RunUntil(loop_, [&] { return server_ && client_.state() == wsConnected; }));
  }

  // Sends `bytes` and waits until the client has taken them off the network.
  void Feed(const std::string& bytes) {
    int before = client_.ReadCount();
    server_->SendText(bytes);
    ASSERT_TRUE(
        RunUntil(loop_, [&] { return client_.ReadCount() == before + static_cast<int>(bytes.size()); }));
  }

  EventLoop loop_{SystemClock()};
  std::unique_ptr<LoopbackListener> listener_;
  std::unique_ptr<_TWSocket> server_;
  _TWSocket client_{loop_};
  std::vector<std::string> pieces_;
  int calls_ = 0;
  int take_ = 256;
};

TEST_F(LineModeTest, AnEndMarkerSplitBetweenReadsIsFound) {
  client_.SetLineMode(true);
  Feed("AB\r");
  EXPECT_TRUE(pieces_.empty());
  Feed("\nCD\r\n");
  EXPECT_EQ(pieces_, (std::vector<std::string>{"AB\r\n", "CD\r\n"}));
  EXPECT_EQ(calls_, 2);
}

TEST_F(LineModeTest, AReaderTakingTwoBytesAtATimeIsCalledUntilTheLineIsTaken) {
  client_.SetLineMode(true);
  take_ = 2;
  Feed("abcd\r\nxy");
  EXPECT_EQ(pieces_, (std::vector<std::string>{"ab", "cd", "\r\n"}));
  EXPECT_EQ(calls_, 3);
}

TEST_F(LineModeTest, BytesWithoutAnEndMarkerFormALastLineBeforeTheClose) {
  client_.SetLineMode(true);
  Feed("ok\r\nzz");
  server_->Close();
  ASSERT_TRUE(RunUntil(loop_, [&] { return client_.state() == wsClosed; }));
  EXPECT_EQ(pieces_, (std::vector<std::string>{"ok\r\n", "zz", "<closed>"}));
}

TEST_F(LineModeTest, WithLineModeOffDataPassesThroughUnchanged) {
  Feed("a\r\nb");
  EXPECT_EQ(pieces_, (std::vector<std::string>{"a\r\nb"}));
}

TEST_F(LineModeTest, SwitchingOffMidLineHandsOutTheRestFirstAndInOrder) {
  client_.SetLineMode(true);
  take_ = 3;
  // The reader switches line mode off after its first piece of the first line.
  client_.OnDataAvailable = [this](_TCustomWSocket* s, uint16_t) {
    char buf[256];
    int n = s->Receive(buf, take_);
    if (n > 0) pieces_.emplace_back(buf, static_cast<size_t>(n));
    if (pieces_.size() == 1) client_.SetLineMode(false);
  };
  Feed("12345\r\nrest");
  ASSERT_TRUE(RunUntil(loop_, [&] { return client_.LineBufferCount() == 0; }));
  Feed("new");
  std::string all;
  for (const auto& p : pieces_) all += p;
  EXPECT_EQ(all, "12345\r\nrestnew");
  EXPECT_EQ(pieces_.front(), "123");
}

TEST_F(LineModeTest, AnOverlongLineIsHandedOutInPiecesOfTheLimit) {
  client_.SetLineMode(true);
  client_.SetLineLimit(4);
  Feed("abcdefghij\r\n");
  EXPECT_EQ(pieces_, (std::vector<std::string>{"abcd", "efgh", "ij\r\n"}));
}

TEST_F(LineModeTest, ACustomLineEnd) {
  client_.SetLineMode(true);
  client_.SetLineEnd("|");
  Feed("a|bc|d");
  EXPECT_EQ(pieces_, (std::vector<std::string>{"a|", "bc|"}));
}

TEST(LineModeRelease, TheReaderMayDestroyTheSocketWithLinesStillPending) {
  EventLoop loop(SystemClock());
  LoopbackListener listener(loop);
  std::unique_ptr<_TWSocket> server;
  listener.onAccept = [&](std::unique_ptr<_TWSocket> p) {
    server = std::move(p);
    server->SendText("one\r\ntwo\r\nthree");
    server->Close();
  };
  auto client = std::make_unique<_TWSocket>(loop);
  int lines = 0;
  client->SetLineMode(true);
  client->OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) {
    s->ReceiveText();
    if (++lines == 1) client.reset();
  };
  client->SetProto("tcp");
  client->SetAddr("127.0.0.1");
  client->SetPort(listener.port());
  client->Connect();
  ASSERT_TRUE(RunUntil(loop, [&] { return client == nullptr; }));
  for (int i = 0; i < 3; ++i) loop.RunOnce(0);
  EXPECT_EQ(lines, 1);
}

TEST(WaitForFlag, ReturnsWhenTheFlagIsSetOrTheWaitEnds) {
  FakeClock clock(100);
  EventLoop loop(clock);
  _TWSocket s(loop);
  bool flag = true;
  EXPECT_EQ(s.WaitForFlag(flag, [&] { loop.Post([&] { flag = true; }); }), 0);  // cleared first, then set
  EXPECT_TRUE(flag);

  s.SetSyncTimeout(50);
  EXPECT_EQ(s.WaitForFlag(flag, [&] { loop.Post([&] { clock.Advance(50); }); }), 12001);
  EXPECT_FALSE(flag);

  s.SetSyncTimeout(0);  // no limit: only the flag or termination ends it
  EXPECT_EQ(s.WaitForFlag(flag,
                          [&] {
                            loop.Post([&] {
                              clock.Advance(1000000);
                              _TWSocket::SetTerminating(true);
                            });
                          }),
            12001);
  _TWSocket::SetTerminating(false);
}

}  // namespace
}  // namespace norvane
