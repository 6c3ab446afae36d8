#include "http/TNetHeaderList.h"

#include <gtest/gtest.h>

namespace {

using http::TNetHeaderList;

TNetHeaderList Lines(std::initializer_list<const char*> lines) {
  TNetHeaderList list;
  for (const char* line : lines)
    list.Add(line);
  return list;
}

TEST(TNetHeaderList, LooksUpNamesIgnoringCase) {
  const TNetHeaderList list = Lines({"Content-Length: 7", "Content-Type: text/html"});
  EXPECT_EQ(list.ValueOf("content-length"), "7");
  EXPECT_EQ(list.IndexOfHeader("CONTENT-TYPE"), 1);
  EXPECT_EQ(list.ValueOf("Missing"), "");
  EXPECT_EQ(list.ValueAt(5), "");
}

TEST(TNetHeaderList, UnfoldsSpaceAndTabContinuations) {
  TNetHeaderList list = Lines({"X-A: one", " two", "\tthree", "X-B: b"});
  EXPECT_EQ(list.ValueOf("X-A"), "one two three");
  EXPECT_EQ(list.ValueOf("X-B"), "b");
  list.Unfold = false;
  EXPECT_EQ(list.ValueOf("X-A"), "one");
}

TEST(TNetHeaderList, ALineWithoutAColonHasNoNameAndNoValue) {
  const TNetHeaderList list = Lines({"no colon here", "A: 1"});
  EXPECT_EQ(list.NameAt(0), "");
  EXPECT_EQ(list.ValueAt(0), "");
  EXPECT_EQ(list.IndexOfHeader(""), -1);
  EXPECT_EQ(list.IndexOfHeader("no colon here"), -1);
}

TEST(TNetHeaderList, CollectsEveryValueOfANameInOrder) {
  const TNetHeaderList list = Lines({"Set-cookie: a=1", "Other: x", "Set-Cookie: b=2"});
  EXPECT_EQ(list.ValueOf("Set-Cookie"), "a=1");
  std::vector<std::string> values;
  list.CollectValues("set-cookie", &values);
  EXPECT_EQ(values, (std::vector<std::string>{"a=1", "b=2"}));
  list.CollectValues("set-cookie", nullptr);
}

TEST(TNetHeaderList, SetsReplacesInPlaceAndRemoves) {
  TNetHeaderList list;
  list.SetValue("Host", "h");
  EXPECT_EQ(list.Text(), "Host: h\r\n");
  list.Add("Accept: */*");
  list.SetValue("host", "g");
  EXPECT_EQ(list.Text(), "host: g\r\nAccept: */*\r\n");
  list.SetValue("Host", "");
  EXPECT_EQ(list.Text(), "Accept: */*\r\n");
  list.SetValue("Nothing", "");
  EXPECT_EQ(list.Count(), 1);
}

TEST(TNetHeaderList, RemovingAFoldedHeaderTakesItsContinuationsAlong) {
  TNetHeaderList list = Lines({"A: 1", " more", "B: 2"});
  list.SetValue("A", "");
  EXPECT_EQ(list.Text(), "B: 2\r\n");
}

TEST(TNetHeaderList, FoldsPastTheWidthAfterTheLastBreakAndReadsBackJoined) {
  TNetHeaderList list;
  list.FoldWidth = 1024;
  std::string value;
  for (int i = 0; value.size() < 2000; ++i)
    value += "word" + std::to_string(i) + (i % 3 == 0 ? ", " : " ");
  while (value.back() == ' ' || value.back() == ',')
    value.pop_back();
  list.SetValue("X-Long", value);

  ASSERT_GT(list.Count(), 1);
  EXPECT_LE(list[0].size(), 1024u);
  for (int i = 1; i < list.Count(); ++i) {
    EXPECT_EQ(list[i].front(), ' ') << i;
    EXPECT_LE(list[i].size(), 1025u) << i;
  }
  // The first line ends where the next break character after it would have passed the width.
  const std::size_t cut = list[0].size();
  EXPECT_TRUE(value[cut] == ' ' || value[cut] == ',') << value.substr(cut, 5);
  EXPECT_GT(list[0].size() + 8, 1024u);
  EXPECT_EQ(list.ValueOf("x-long"), value);

  list.SetValue("X-Long", "short");
  EXPECT_EQ(list.Text(), "X-Long: short\r\n");
}

TEST(TNetHeaderList, FoldingNeverLeavesAnEmptyLineInTheBlock) {
  TNetHeaderList list;
  list.FoldWidth = 10;
  list.SetValue("X-Blank", std::string("a") + std::string(20, '\t'));
  for (const std::string& line : list.Lines())
    EXPECT_FALSE(line.empty());
  EXPECT_EQ(list.ValueOf("X-Blank"), "a");
}

TEST(TNetHeaderList, TextSplitsAtCrLfCrOrLf) {
  TNetHeaderList list;
  list.SetText("a\r\nb\rc\nd\r\n\r\ne\r\n");
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
}

TEST(WrapText, BreaksAtBreakCharactersOutsideQuotesAndKeepsExistingBreaks) {
  struct Case {
    const char* line;
    int width;
    const char* wrapped;
  };
  const Case cases[] = {
      // A piece runs through its break character; the fold trims it off afterwards.
      {"aaa bbb ccc", 5, "aaa \r\n bbb \r\n ccc"},
      {"aaa,bbb", 4, "aaa,\r\n bbb"},
      {"short", 78, "short"},
      {"nobreakcharacters", 5, "nobreakcharacters"},
      {"\"quoted stretch\" end", 5, "\"quoted stretch\" \r\n end"},
      {"one\r\n two three", 100, "one\r\n two three"},
      // Skipped break characters still belong to the next piece.
      {"aaa     bbb", 5, "aaa  \r\n    bbb"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(http::WrapText(c.line, "\r\n ", "\t ,", c.width), c.wrapped) << c.line;
}

} // namespace
