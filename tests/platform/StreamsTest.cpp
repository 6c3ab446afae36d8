#include "platform/Streams.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

using platform::TMemoryStream;

// The memory this process holds now, from /proc/self/status; -1 where there is none (a
// Windows build: under Wine the file is the Wine process's, which does not follow the heap).
long ResidentKiB() {
#ifdef _WIN32
  return -1;
#endif
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0)
      return std::stol(line.substr(6));
  }
  return -1;
}

TEST(MemoryStream, SizingAheadCommitsMemoryOnlyAsBytesArrive) {
  TMemoryStream stream;
  const long before = ResidentKiB();
  if (before < 0)
    GTEST_SKIP() << "this system gives no resident-memory figure";
  stream.SetSize(300'000'000);
  stream.Write("x", 1);
  EXPECT_LT(ResidentKiB() - before, 16 << 10);

  // 40 MiB arriving in receipts of 32 KiB are held, and nothing far beyond them.
  const std::string piece(32 << 10, 'y');
  for (int i = 0; i < 40 * 32; ++i)
    stream.Write(piece.data(), static_cast<std::int64_t>(piece.size()));
  const long grown = ResidentKiB() - before;
  EXPECT_GE(grown, 40 << 10);
  EXPECT_LT(grown, (40 + 16) << 10);
  stream.SetSize(stream.Position());
  const std::string& bytes = stream.Bytes();
  ASSERT_EQ(bytes.size(), 1u + (40u << 20));
  EXPECT_EQ(bytes.find_first_not_of('y', 1), std::string::npos);
}

TEST(MemoryStream, GrowingReadsAsZerosAndWritesLandWhereThePositionIs) {
  TMemoryStream stream;
  stream.Write("abc", 3);
  stream.SetSize(8);
  EXPECT_EQ(stream.Size(), 8);
  EXPECT_EQ(stream.Position(), 3);
  stream.SetPosition(6);
  stream.Write("xy", 2);
  EXPECT_EQ(stream.Bytes(), std::string("abc\0\0\0xy", 8));

  stream.SetPosition(1);
  char two[2];
  EXPECT_EQ(stream.Read(two, 2), 2);
  EXPECT_EQ(std::string(two, 2), "bc");

  stream.SetSize(2);
  EXPECT_EQ(stream.Position(), 2);
  EXPECT_EQ(stream.TakeBytes(), "ab");
  EXPECT_EQ(stream.Size(), 0);
}

TEST(MemoryStream, AStreamSizedAheadAndCutBackHoldsOnlyWhatWasWritten) {
  TMemoryStream stream;
  stream.SetSize(1000);
  stream.Write("body", 4);
  stream.SetSize(stream.Position());
  EXPECT_EQ(stream.TakeBytes(), "body");
}

TEST(MemoryStream, ALargeBodyAppendedInPiecesComesOutWhole) {
  TMemoryStream stream;
  std::string expected;
  for (int i = 0; expected.size() < (20u << 20); ++i) {
    const std::string piece(65536 + i, static_cast<char>('a' + i % 26));
    stream.SetSize(stream.Position() + static_cast<std::int64_t>(piece.size()));
    stream.Write(piece.data(), static_cast<std::int64_t>(piece.size()));
    expected += piece;
  }
  stream.SetPosition(5);
  stream.Write("XYZ", 3);
  expected.replace(5, 3, "XYZ");
  EXPECT_EQ(stream.Size(), static_cast<std::int64_t>(expected.size()));
  EXPECT_TRUE(stream.TakeBytes() == expected);
}

} // namespace
