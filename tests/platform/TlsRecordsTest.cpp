#include "platform/TlsRecords.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::tls::TlsRecords;

// A record of `type` with `body`, its header announcing `announced` (the body's length unless
// given).
std::string Record(std::uint8_t type, const std::string& body, std::size_t announced = SIZE_MAX) {
  if (announced == SIZE_MAX)
    announced = body.size();
  std::string header = {static_cast<char>(type), '\x03', '\x03', static_cast<char>(announced >> 8),
                        static_cast<char>(announced & 0xff)};
  return header + body;
}

std::string Bytes(std::span<const std::uint8_t> span) {
  return {reinterpret_cast<const char*>(span.data()), span.size()};
}

struct Outcome {
  std::vector<std::string> records;
  TlsRecords::Front end = TlsRecords::Front::Partial;
  std::string pending; // what is kept at the end
};

// Feeds `input` in the pieces that `cuts` (offsets, ascending) make, taking every whole record
// as soon as it is there.
Outcome Split(const std::string& input, const std::vector<std::size_t>& cuts) {
  TlsRecords records;
  Outcome outcome;
  std::size_t from = 0;
  auto feed = [&](std::size_t to) {
    records.Append(input.data() + from, to - from);
    from = to;
    while (records.Check() == TlsRecords::Front::Whole) {
      outcome.records.push_back(Bytes(records.Record()));
      records.DropRecord();
    }
  };
  for (std::size_t cut : cuts)
    feed(cut);
  feed(input.size());
  outcome.end = records.Check();
  outcome.pending = Bytes(records.Pending());
  return outcome;
}

struct Case {
  const char* name;
  std::string input;
  std::vector<std::string> records; // the whole records, in order
  TlsRecords::Front end; // what is left: a partial record (maybe none) or an oversize one
};

std::vector<Case> Cases() {
  const std::string hello = Record(22, std::string(300, 'h'));
  const std::string data = Record(23, "application bytes");
  const std::string alert = Record(21, std::string("\x01\x00", 2));
  const std::string empty = Record(23, "");
  const std::string largest = Record(23, std::string(TlsRecords::MaxBodySize, 'L'));
  const std::string oversize = Record(23, "", TlsRecords::MaxBodySize + 1);
  using F = TlsRecords::Front;
  return {
      {"one record", data, {data}, F::Partial},
      {"several records in one read", hello + data + alert, {hello, data, alert}, F::Partial},
      {"a zero-length record is a whole header", empty + data, {empty, data}, F::Partial},
      {"the longest record", largest, {largest}, F::Partial},
      {"a record cut short waits", data + hello.substr(0, 100), {data}, F::Partial},
      {"a header cut short waits", data + hello.substr(0, 3), {data}, F::Partial},
      {"an oversize length stops at its header", data + oversize + data, {data}, F::Oversize},
      {"the largest 16-bit length", data + Record(23, "", 0xffff), {data}, F::Oversize},
      {"nothing", "", {}, F::Partial},
  };
}

TEST(TlsRecords, EveryCutOfTheInputGivesTheSameRecords) {
  for (const Case& c : Cases()) {
    std::string kept;
    for (const std::string& record : c.records)
      kept += record;
    const std::string pending = c.input.substr(kept.size());
    // Every place the input can be cut in two (header splits, body splits, none), and one byte
    // at a time.
    std::vector<std::vector<std::size_t>> splits;
    for (std::size_t cut = 0; cut <= c.input.size(); ++cut)
      splits.push_back({cut});
    std::vector<std::size_t> bytewise;
    for (std::size_t cut = 1; cut < c.input.size(); ++cut)
      bytewise.push_back(cut);
    splits.push_back(bytewise);
    for (const std::vector<std::size_t>& cuts : splits) {
      const Outcome outcome = Split(c.input, cuts);
      const std::string where =
          std::string(c.name) + (cuts.size() == 1 ? ", cut at " + std::to_string(cuts[0])
                                                  : std::string(", byte by byte"));
      ASSERT_EQ(outcome.records, c.records) << where;
      ASSERT_EQ(outcome.end, c.end) << where;
      ASSERT_EQ(outcome.pending, pending) << where;
    }
  }
}

// The handshake hands the TLS library everything kept and drops what it consumed; the unread
// end stays and whole records go on from there.
TEST(TlsRecords, DroppingWhatTheHandshakeConsumedKeepsTheRest) {
  const std::string finished = Record(22, std::string(40, 'f'));
  const std::string data = Record(23, "first bytes");
  TlsRecords records;
  const std::string input = finished + data + data.substr(0, 4);
  records.Append(input.data(), input.size());
  EXPECT_EQ(Bytes(records.Pending()), input);
  records.Drop(finished.size());
  ASSERT_EQ(records.Check(), TlsRecords::Front::Whole);
  EXPECT_EQ(Bytes(records.Record()), data);
  records.DropRecord();
  EXPECT_EQ(records.Check(), TlsRecords::Front::Partial);
  records.Append(data.data() + 4, data.size() - 4);
  ASSERT_EQ(records.Check(), TlsRecords::Front::Whole);
  EXPECT_EQ(Bytes(records.Record()), data);
  records.DropRecord();
  EXPECT_TRUE(records.Empty());
}

// A long stream in pieces that cut the records at ever other places: every record once, and
// never more than one record's bytes kept.
TEST(TlsRecords, ALongStreamInPiecesGivesEveryRecordOnce) {
  const std::string data = Record(23, std::string(1000, 'd'));
  TlsRecords records;
  std::size_t at = 0;
  std::size_t taken = 0;
  for (int i = 0; i < 10000; ++i) {
    std::string piece;
    for (int k = 0; k < 700; ++k)
      piece += data[(at++) % data.size()];
    records.Append(piece.data(), piece.size());
    while (records.Check() == TlsRecords::Front::Whole) {
      ASSERT_EQ(Bytes(records.Record()), data);
      records.DropRecord();
      ++taken;
    }
    ASSERT_LT(records.Size(), data.size());
  }
  EXPECT_EQ(taken, at / data.size());
}

} // namespace
