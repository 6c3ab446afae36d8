#include "http/TNetURI.h"

#include <gtest/gtest.h>

namespace {

using http::TNetURI;

TEST(TNetURI, SplitsEveryPartWithoutDecodingAnything) {
  struct Case {
    const char* text;
    const char* protocol;
    const char* user;
    const char* password;
    const char* host;
    const char* port;
    const char* path;
    const char* document;
    const char* params;
    const char* bookmark;
  };
  const Case cases[] = {
      {"http://host/programlar/radyo/kolvarin.txt", "http", "", "", "host", "",
       "/programlar/radyo/", "kolvarin.txt", "", ""},
      {"http://u:p@host:8080/a/b.cgi?x=1#frag", "http", "u", "p", "host", "8080", "/a/", "b.cgi",
       "?x=1", "frag"},
      {"http://host", "http", "", "", "host", "", "/", "", "", ""},
      {"http://host/", "http", "", "", "host", "", "/", "", "", ""},
      {"http://host\\dir\\file.txt", "http", "", "", "host", "", "/dir/", "file.txt", "", ""},
      {"http://host/a/b=1/c", "http", "", "", "host", "", "/a/", "b", "=1/c", ""},
      {"http://host/a/doc#top", "http", "", "", "host", "", "/a/", "doc", "", "top"},
      {"http://host/a%20b/c+d.txt?q=a b", "http", "", "", "host", "", "/a%20b/", "c+d.txt",
       "?q=a b", ""},
      {"http://:secret@host/", "http", "", "", "host", "", "/", "", "", ""},
      {"http://user@host:81", "http", "user", "", "host", "81", "/", "", "", ""},
      {"ftp://host/x/?y/z", "ftp", "", "", "host", "", "/x/", "", "?y/z", ""},
      // Without a scheme only the path part is split, and the path has no leading slash.
      {"dir/sub/file.txt?a=1#b", "", "", "", "", "", "dir/sub/", "file.txt", "?a=1", "b"},
      {"file.txt", "", "", "", "", "", "", "file.txt", "", ""},
  };
  for (const Case& c : cases) {
    const TNetURI uri(c.text);
    EXPECT_EQ(uri.Protocol, c.protocol) << c.text;
    EXPECT_EQ(uri.Username, c.user) << c.text;
    EXPECT_EQ(uri.Password, c.password) << c.text;
    EXPECT_EQ(uri.Host, c.host) << c.text;
    EXPECT_EQ(uri.Port, c.port) << c.text;
    EXPECT_EQ(uri.Path, c.path) << c.text;
    EXPECT_EQ(uri.Document, c.document) << c.text;
    EXPECT_EQ(uri.Params, c.params) << c.text;
    EXPECT_EQ(uri.Bookmark, c.bookmark) << c.text;
  }
}

TEST(TNetURI, ParsingAgainClearsTheOldParts) {
  TNetURI uri("http://u:p@a:1/x/y?z#w");
  uri.Parse("http://b/");
  EXPECT_EQ(uri.Username, "");
  EXPECT_EQ(uri.Port, "");
  EXPECT_EQ(uri.Document, "");
  EXPECT_EQ(uri.Params, "");
  EXPECT_EQ(uri.Bookmark, "");
  EXPECT_EQ(uri.URI(), "http://b/");
}

TEST(TNetURI, AbsolutePathsStandAndRelativeOnesMergeWithoutDotSegments) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"/a/b/c", "/x/y", "/x/y"},
      {"/a/b/c", "d", "/a/b/d"},
      {"/a/b/", "d/e", "/a/b/d/e"},
      {"/a/b/c", "../d", "/a/d"},
      {"/a/b/c", "./d", "/a/b/d"},
      {"/a/b/c", "../../../d", "/d"},
      {"", "d", "/d"},
      {"/a/b/c", "d/./e/../f", "/a/b/d/f"},
      {"a/b", "../../c", "/c"},
  };
  for (const auto& [current, given, merged] : cases)
    EXPECT_EQ(TNetURI::MergePaths(current, given), merged) << current << " + " << given;
}

} // namespace
