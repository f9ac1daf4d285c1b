#include "net/buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace norvane {
namespace {

std::string Unread(const _TBuffer& b) {
  int32_t n = 0;
  const uint8_t* p = b.Peek(n);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

TEST(Buffer, SizeZeroOrLessMeansTheDefaultBlock) {
  EXPECT_EQ(_TBuffer(0).Capacity(), 1514);
  EXPECT_EQ(_TBuffer(-5).Capacity(), 1514);
  EXPECT_EQ(_TBuffer(16).Capacity(), 16);
}

TEST(Buffer, WriteTakesOnlyWhatFits) {
  _TBuffer b(35);
  std::string first(25, 'a'), offered(25, 'b');
  EXPECT_EQ(b.Write(first.data(), 25), 25);
  EXPECT_EQ(b.Write(offered.data(), 25), 10);
  EXPECT_EQ(b.Write(offered.data(), 25), 0);  // full
  EXPECT_EQ(b.Write(offered.data(), -1), 0);
  EXPECT_EQ(Unread(b), first + std::string(10, 'b'));
}

TEST(Buffer, RemovingEverythingRewindsToTheFront) {
  _TBuffer b(8);
  b.Write("abcdef", 6);
  EXPECT_EQ(b.Remove(2), 2);
  EXPECT_EQ(Unread(b), "cdef");
  EXPECT_EQ(b.Remove(100), 4);
  int32_t n = -1;
  EXPECT_EQ(b.Peek(n), nullptr);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(b.WritePos(), 0);
  EXPECT_EQ(b.ReadPos(), 0);
  EXPECT_EQ(b.Remove(1), 0);
  EXPECT_EQ(b.Write("12345678", 8), 8);  // the whole block is usable again
  EXPECT_EQ(Unread(b), "12345678");
}

TEST(Buffer, RemoveOfNothingOrANegativeCountKeepsTheInvariant) {
  _TBuffer b(8);
  b.Write("abc", 3);
  EXPECT_EQ(b.Remove(0), 0);
  EXPECT_EQ(b.Remove(-3), 0);
  EXPECT_EQ(b.ReadPos(), 0);
  EXPECT_EQ(Unread(b), "abc");
}

TEST(Buffer, ResizeKeepsTheBytesThatFit) {
  _TBuffer b(8);
  b.Write("abcdef", 6);
  b.Remove(1);
  b.Resize(32);
  EXPECT_EQ(b.Capacity(), 32);
  EXPECT_EQ(Unread(b), "bcdef");
  b.Resize(4);  // shrinking below what is held keeps the front and stays consistent
  EXPECT_EQ(b.WritePos(), 4);
  EXPECT_EQ(Unread(b), "bcd");
  EXPECT_EQ(b.Write("zz", 2), 0);
}

}  // namespace
}  // namespace norvane
