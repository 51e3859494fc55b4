#include "media/WebDownload.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "localisation/MessageTable.h"
#include "media/BlockPassword.h"
#include "media/DownloadProgress.h"
#include "support/HttpTestServer.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

const std::string kTarget = "C:\\Data\\block.7zip";

std::string Document(size_t size) {
  std::string text(size, '\0');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  return text;
}

// The requests of a given method, as their log lines.
std::vector<std::string> Of(const std::vector<std::string>& log, const std::string& method) {
  std::vector<std::string> found;
  for (const std::string& line : log)
    if (line.find("\"method\": \"" + method + "\"") != std::string::npos) found.push_back(line);
  return found;
}

class HttpDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine.files.CreateDirectories("C:\\Data");
    server.Serve("block.7zip", document);
  }

  bool Download(const DownloadOptions& options = {}, const std::string& name = "block.7zip") {
    return HttpDownloadFile(services, server.Url(name), kTarget, options);
  }
  std::string Held() { return machine.files.ReadFile(kTarget).value_or("<missing>"); }

  testing::TempMachine temp;
  platform::sim::SimMachine& machine = temp.machine;
  testing::HttpTestServer server{temp.folder.Path()};
  MessageTable messages;
  DownloadTexts texts = DownloadTexts::From(messages);
  std::vector<std::string> progress;
  DownloadServices services{machine.internet, machine.files, machine.registry, texts,
                            [this](const std::string& text, int) {
                              progress.push_back(text);
                              return true;
                            },
                            [] { return true; }, 5000};
  const std::string document = Document(300000);
};

TEST_F(HttpDownloadTest, WholeDocumentWithProgressInBytesAndPercent) {
  ASSERT_TRUE(Download());
  EXPECT_EQ(Held(), document);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), "300,000 bytes received, 100% complete");
  const auto gets = Of(server.Requests(), "GET");
  ASSERT_EQ(gets.size(), 1u);
  EXPECT_NE(gets[0].find("\"range\": null"), std::string::npos);
}

// The server closes the connection after 100000 bytes: the same download goes on from there
// with a ranged request instead of taking the short file for the whole one.
TEST_F(HttpDownloadTest, CutTransferIsContinuedAtOnceFromTheBytesHeld) {
  server.Control(R"({"cut_after": {"/block.7zip": 100000}})");
  ASSERT_TRUE(Download());
  EXPECT_EQ(Held(), document);
  const auto gets = Of(server.Requests(), "GET");
  ASSERT_EQ(gets.size(), 2u);
  EXPECT_NE(gets[1].find("\"range\": \"bytes=100000-\""), std::string::npos) << gets[1];
}

struct ResumeCase {
  const char* name;
  size_t held;
  bool resume;
  bool ignoreRanges;
  const char* expectedRange;  // of the GET
};

class HttpResumeTest : public HttpDownloadTest, public ::testing::WithParamInterface<ResumeCase> {};

// A partial file resumes 2048 bytes before its end; a server that ignores the range has its whole
// answer written from the start, never appended to what was held.
TEST_P(HttpResumeTest, PartialFileEndsAsTheDocument) {
  const ResumeCase& c = GetParam();
  // What is held differs from the document, so that bytes kept by mistake would show.
  machine.files.WriteFile(kTarget, std::string(c.held, '#'));
  server.Control(c.ignoreRanges ? R"({"ignore_ranges": true})" : "{}");
  DownloadOptions options;
  options.resume = c.resume;
  ASSERT_TRUE(Download(options));
  const auto gets = Of(server.Requests(), "GET");
  ASSERT_EQ(gets.size(), 1u);
  EXPECT_NE(gets[0].find(std::string("\"range\": ") + c.expectedRange), std::string::npos) << gets[0];
  if (c.ignoreRanges || c.expectedRange == std::string("null")) {
    EXPECT_EQ(Held(), document);
  } else {
    // The overlap is taken from the server again; everything before it stays as held.
    EXPECT_EQ(Held(), std::string(c.held - 2048, '#') + document.substr(c.held - 2048));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HttpResumeTest,
    ::testing::Values(ResumeCase{"TenThousandBytes", 10000, true, false, "\"bytes=7952-\""},
                      ResumeCase{"AtMost2048FromStart", 2048, true, false, "null"},
                      ResumeCase{"ResumeOff", 10000, false, false, "null"},
                      ResumeCase{"RangeIgnored", 10000, true, true, "\"bytes=7952-\""},
                      ResumeCase{"LongerThanDocument", 400000, true, false, "null"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpDownloadTest, ErrorStatusesFailTheAddress) {
  for (const char* status : {"404", "500"}) {
    server.Control(std::string(R"({"status": {"/block.7zip": )") + status + "}}");
    EXPECT_FALSE(Download()) << status;
  }
  EXPECT_FALSE(Download({}, "missing.7zip"));
}

TEST_F(HttpDownloadTest, ProxyWithUserAndPassword) {
  server.Control(R"({"proxy_auth": "alice:s3cret"})");
  DownloadOptions options;
  options.proxyServer = "127.0.0.1";
  options.proxyPort = std::to_string(server.Port());
  options.proxyUser = "alice";
  options.proxyPassword = "s3cret";
  // Through the proxy the address's own host is never contacted.
  const std::string address = "http://media.invalid/block.7zip";
  ASSERT_TRUE(HttpDownloadFile(services, address, kTarget, options));
  EXPECT_EQ(Held(), document);
  const auto gets = Of(server.Requests(), "GET");
  ASSERT_EQ(gets.size(), 1u);
  EXPECT_NE(gets[0].find("\"absolute\": true"), std::string::npos);

  options.proxyPassword = "wrong";
  machine.files.RemoveFile(kTarget);
  EXPECT_FALSE(HttpDownloadFile(services, address, kTarget, options));
}

TEST_F(HttpDownloadTest, CancelStopsTheTransfer) {
  services.progress = [](const std::string&, int) { return false; };
  EXPECT_FALSE(Download());
}

// The server falls silent mid-body; a cancel that comes then ends the wait well within the
// worker's watchdog interval (5 s) instead of at the socket's time-out.
TEST_F(HttpDownloadTest, CancelEndsASilentWaitWithinTheWatchdogInterval) {
  server.Control(R"({"stall_after": {"/block.7zip": 50000}, "stall_seconds": 20})");
  services.waitTimeoutMs = 30000;
  std::atomic<bool> cancelled{false};
  services.progress = [&](const std::string&, int) { return true; };
  services.keepGoing = [&] { return !cancelled.load(); };
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    cancelled = true;
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Download());
  canceller.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

TEST(BlockPasswordTest, UnscramblesWhatTheAuthoringSideWrites) {
  for (const std::string& password : std::vector<std::string>{"", "a", "Secret password!", "\xE9t\xE9"})
    EXPECT_EQ(UnscrambleBlockPassword(ScrambleBlockPassword(password)), password);
  // "A" is 0x41: written "14", then each character XOR its position.
  EXPECT_EQ(ScrambleBlockPassword("A"), std::string("1") + static_cast<char>('4' ^ 1));
  EXPECT_EQ(UnscrambleBlockPassword(ScrambleBlockPassword("AB") + "x"), "AB") << "odd last character dropped";
  const StringList pairs = {"offline", ScrambleBlockPassword("fallback"), "Block1", ScrambleBlockPassword("one")};
  EXPECT_EQ(BlockPassword(pairs, "BLOCK1"), "one");
  EXPECT_EQ(BlockPassword(pairs, "Block2"), "fallback");
  EXPECT_EQ(BlockPassword({}, "Block2"), "");
}

TEST(WebDownloadTextTest, CredentialsProgressAndLengths) {
  const AddressCredentials split = SplitCredentials("http://user:pa:ss@host/path/a@b.7zip");
  EXPECT_EQ(split.address, "http://host/path/a@b.7zip");
  EXPECT_EQ(split.user, "user");
  EXPECT_EQ(split.password, "pa:ss");
  EXPECT_EQ(SplitCredentials("ftp://u@host/x").user, "");
  EXPECT_EQ(SplitCredentials("http://host/a@b").address, "http://host/a@b");

  EXPECT_EQ(GroupedDecimal(0), "0");
  EXPECT_EQ(GroupedDecimal(999), "999");
  EXPECT_EQ(GroupedDecimal(1234567), "1,234,567");
  DownloadPercent percent;
  EXPECT_EQ(percent.Next(50, 100), 51);
  EXPECT_EQ(percent.Next(100, 100), 100);
  DownloadPercent unknown;
  for (int i = 1; i <= 100; ++i) EXPECT_EQ(unknown.Next(0, 0), i);
  EXPECT_EQ(unknown.Next(0, 0), 0) << "wraps from 100 to 0";

  EXPECT_EQ(ContentLength("HTTP/1.1 200 OK\r\nContent-Length: 42\r\n"), 42u);
  EXPECT_EQ(ContentLength("content-length: nope\r\n"), 0u);
  EXPECT_EQ(ContentLength("Server: x\r\n"), 0u);
}

}  // namespace
}  // namespace quarrix
