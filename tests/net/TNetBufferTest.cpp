#include "net/TNetBuffer.h"

#include "net/NetExceptions.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using net::TNetManagedBuffer;

TEST(ManagedBuffer, ConsumingAdvancesTheOffsetUntil32768BytesThenCompacts) {
  TNetManagedBuffer buffer;
  std::size_t consumed = 0;
  buffer.OnConsume = [&](std::size_t n) { consumed += n; };
  const std::string block(40000, 'a');
  buffer.Append(block.data(), block.size());
  buffer.Append("tail", 4);

  buffer.Consume(32767);
  EXPECT_EQ(buffer.Offset(), 32767u);
  EXPECT_EQ(buffer.Size(), 40004u - 32767u);

  buffer.Consume(1);
  EXPECT_EQ(buffer.Offset(), 0u);
  EXPECT_EQ(buffer.Size(), 40004u - 32768u);
  EXPECT_EQ(buffer.View().substr(buffer.Size() - 4), "tail");
  EXPECT_EQ(consumed, 32768u);

  buffer.Consume(buffer.Size());
  EXPECT_EQ(buffer.Size(), 0u);
  EXPECT_EQ(buffer.Offset(), 0u);
}

TEST(ManagedBuffer, TakingMoreThanIsUnreadRaises) {
  TNetManagedBuffer buffer;
  buffer.Append("abc", 3);
  EXPECT_THROW(buffer.Extract(4), net::ENetNotEnoughDataInBuffer);
  EXPECT_EQ(buffer.Extract(3), "abc");
  EXPECT_THROW(buffer.Consume(1), net::ENetNotEnoughDataInBuffer);
}

TEST(ManagedBuffer, ReceiptsGoStraightIntoTheTailAndKeepUnreadBytesWhenGrowing) {
  TNetManagedBuffer buffer;
  buffer.Append("head", 4);
  buffer.Consume(2);
  char* tail = buffer.Reserve(100000);
  std::memset(tail, 'x', 100000);
  buffer.Commit(10);
  EXPECT_EQ(buffer.View(), "ad" + std::string(10, 'x'));
}

} // namespace
