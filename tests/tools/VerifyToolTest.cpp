// kolvarin-tool verify and download --key, run as a publisher runs them.
#include "ScriptedServer.h"
#include "Signing.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

RunResult Tool(const std::vector<std::string>& args) {
  return RunProgram(KOLVARIN_TOOL_BINARY, args);
}

std::string Answer(const std::string& body, const std::string& status = "200 OK") {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

class SignatureTool : public testing::Test {
protected:
  void SetUp() override {
    publisher = MakeKeyPair(folder.Path(), "publisher");
    other = MakeKeyPair(folder.Path(), "other");
    WriteBytes(Path("Kolvarin.exe"), player);
    signature = SignFile(publisher.privateKey, Path("Kolvarin.exe"));
    WriteBytes(Path("Kolvarin.exe.sig"), signature);
  }
  std::string Path(const std::string& name) const { return (folder.Path() / name).string(); }

  TempDir folder;
  const std::string player = PlayerBytes(5000);
  PublisherKeyPair publisher, other;
  std::string signature;
};

TEST_F(SignatureTool, VerifySaysGoodOrBadWithTheReason) {
  WriteBytes(Path("tampered.exe"), FlipByte(player, 17));
  WriteBytes(Path("other.sig"), SignFile(other.privateKey, Path("Kolvarin.exe")));
  WriteBytes(Path("big.sig"), signature + std::string((1 << 20) - signature.size(), '\0'));
  WriteBytes(Path("empty.sig"), "");
  struct Case {
    std::string file, signature, key;
    std::string out;
    int exitCode;
  };
  const Case cases[] = {
      {"Kolvarin.exe", "Kolvarin.exe.sig", "publisher.pem", "good\n", 0},
      {"tampered.exe", "Kolvarin.exe.sig", "publisher.pem",
       "bad: the signature does not match the file\n", 1},
      {"Kolvarin.exe", "other.sig", "publisher.pem", "bad: the signature does not match the file\n",
       1},
      {"Kolvarin.exe", "Kolvarin.exe.sig", "other.pem",
       "bad: the signature does not match the file\n", 1},
      {"Kolvarin.exe", "empty.sig", "publisher.pem", "bad: the signature is empty\n", 1},
      {"Kolvarin.exe", "big.sig", "publisher.pem", "bad: the signature is longer than 4096 bytes\n",
       1},
      {"Kolvarin.exe", "missing.sig", "publisher.pem",
       "bad: cannot read the signature " + Path("missing.sig") + "\n", 1},
      {"Kolvarin.exe", "Kolvarin.exe.sig", "publisher-key.pem",
       "bad: the key is not a PEM public key\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " " + c.signature + " " + c.key);
    const RunResult result =
        Tool({"verify", "--key", Path(c.key), Path(c.file), Path(c.signature)});
    EXPECT_TRUE(result.ExitedWith(c.exitCode)) << result.err;
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(SignatureTool, VerifyExplainsItselfAndRefusesBadArguments) {
  const RunResult help = Tool({"verify", "--help"});
  EXPECT_TRUE(help.ExitedWith(0));
  EXPECT_NE(help.out.find("usage: kolvarin-tool verify --key KEY FILE SIG"), std::string::npos);
  EXPECT_TRUE(Tool({"verify", Path("Kolvarin.exe"), Path("Kolvarin.exe.sig")}).ExitedWith(2));
  EXPECT_TRUE(Tool({"verify", "--key", Path("publisher.pem"), Path("Kolvarin.exe")}).ExitedWith(2));
  const RunResult noKey = Tool(
      {"verify", "--key", Path("missing.pem"), Path("Kolvarin.exe"), Path("Kolvarin.exe.sig")});
  EXPECT_TRUE(noKey.ExitedWith(2));
  EXPECT_EQ(noKey.err, "kolvarin-tool verify: cannot read the key '" + Path("missing.pem") + "'\n");
}

TEST_F(SignatureTool, DownloadWithAKeyKeepsOnlyAGoodlySignedFile) {
  if (!std::getenv("KOLVARIN_TEST_HOSTS"))
    GTEST_SKIP() << "needs the hosts file and port 80 of scripts/test";
  const std::string url = "http://kolvarin-test.example/programlar/radyo/Kolvarin.exe";
  struct Case {
    const char* what;
    std::string signatureAnswer;
    std::string verdict;
  };
  const Case cases[] = {
      {"signed", Answer(signature), "good\n"},
      {"signed by another key", Answer(SignFile(other.privateKey, Path("Kolvarin.exe"))),
       "bad: the signature does not match the file\n"},
      {"no signature", Answer("Not Found", "404 Not Found"),
       "bad: the signature could not be downloaded (missing, longer than 4096 bytes, or cut "
       "short)\n"},
  };
  const std::string file = Path("downloaded.exe");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedServer server({{ReadUntil("\r\n\r\n"), Send(Answer(player)), Close()},
                           {ReadUntil("\r\n\r\n"), Send(c.signatureAnswer), Close()}},
                          80, "127.0.0.2");
    const RunResult result = Tool({"download", "--key", Path("publisher.pem"), url, file});
    const bool good = c.verdict == "good\n";
    EXPECT_TRUE(result.ExitedWith(good ? 0 : 1)) << result.err;
    EXPECT_EQ(result.out, "done " + file + " 5000\n" + c.verdict);
    EXPECT_EQ(fs::exists(file), good);
    EXPECT_FALSE(fs::exists(file + ".sig"));
    const std::string request = server.Received(1);
    EXPECT_EQ(request.substr(0, request.find("\r\n")),
              "GET /programlar/radyo/Kolvarin.exe.sig HTTP/1.0");
    fs::remove(file);
  }
}

} // namespace
