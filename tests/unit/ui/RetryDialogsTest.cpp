// The web media driver's retry forms as the simulated user answers them.
#include "ui/RetryDialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/RetryForms.h"
#include "support/TempMachine.h"
#include "ui/BuiltInForms.h"

namespace quarrix {
namespace {

class RetryDialogsTest : public ::testing::Test {
 protected:
  void Answer(std::vector<std::string> answers) {
    machine().toolkit.answers.assign(answers.begin(), answers.end());
    machine().toolkit.pressNextWhenDone = false;
  }
  platform::sim::SimMachine& machine() { return temp.machine; }
  uint32_t Now() { return machine().clock.TickCount(); }

  testing::TempMachine temp;
  Session session{temp.machine.AsPlatform()};
  ui::BuiltInForms forms{session};
};

TEST_F(RetryDialogsTest, TheProxyFieldsComeFromTheOptionsAndYesWritesThemBack) {
  DownloadOptions options{true, "old.proxy", "8080", "alice", ""};
  Answer({"Server=new.proxy", "Password=secret", "OK"});
  EXPECT_TRUE(AskRetryHttpDownload(session, options));
  EXPECT_EQ(options.proxyServer, "new.proxy");
  EXPECT_EQ(options.proxyPort, "8080") << "a field left alone keeps the option's value";
  EXPECT_EQ(options.proxyUser, "alice");
  EXPECT_EQ(options.proxyPassword, "secret");

  Answer({"Server=other.proxy", "CANCEL"});
  EXPECT_FALSE(AskRetryHttpDownload(session, options)) << "No ends the fetch";
  EXPECT_EQ(options.proxyServer, "new.proxy") << "No leaves the options";
}

TEST_F(RetryDialogsTest, ChoicesOfTheDownloadAndExtractionForms) {
  struct Case {
    const char* name;
    std::vector<std::string> downloadAnswers;
    DownloadRetry download;
    std::vector<std::string> extractAnswers;
    ExtractRetry extract;
  };
  const std::vector<Case> cases = {
      {"OK takes the first choice", {"OK"}, DownloadRetry::Resume, {"OK"}, ExtractRetry::FreshCopy},
      {"Cancel", {"CANCEL"}, DownloadRetry::Cancel, {"CANCEL"}, ExtractRetry::Cancel},
      {"the other choice", {"NewCopyButton=TRUE", "OK"}, DownloadRetry::NewCopy, {"ExtractAgainButton=TRUE", "OK"},
       ExtractRetry::ExtractAgain},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Answer(c.downloadAnswers);
    EXPECT_EQ(AskRetrySystemDownload(session), c.download);
    Answer(c.extractAnswers);
    EXPECT_EQ(AskRetryExtraction(session), c.extract);
  }
}

TEST_F(RetryDialogsTest, LeftAloneForAMinuteTheFormsGoOnByThemselves) {
  uint32_t start = Now();
  Answer({"NewCopyButton=TRUE", "WAIT"});
  EXPECT_EQ(AskRetrySystemDownload(session), DownloadRetry::NewCopy) << "as OK with the choice as it stands";
  EXPECT_EQ(Now() - start, 60000u);

  start = Now();
  Answer({"ExtractAgainButton=TRUE", "WAIT"});
  EXPECT_EQ(AskRetryExtraction(session), ExtractRetry::FreshCopy) << "the timer chooses the fresh copy";
  EXPECT_EQ(Now() - start, 60000u);

  Answer({"WAIT"});
  DownloadOptions options;
  EXPECT_THROW(AskRetryHttpDownload(session, options), std::runtime_error) << "the proxy form has no timer";
}

TEST_F(RetryDialogsTest, TextsComeFromTheMessageTableAndSilentRunsSeeNoForm) {
  session.messages.Set(25, "Erneut herunterladen?");
  Answer({"CANCEL"});
  AskRetrySystemDownload(session);
  ASSERT_FALSE(machine().toolkit.log.empty());
  EXPECT_EQ(machine().toolkit.log.front(), "shown: zvkProxyEx \"Erneut herunterladen?\"");

  machine().toolkit.log.clear();
  session.silent = true;
  Answer({});
  DownloadOptions options;
  EXPECT_EQ(AskRetrySystemDownload(session), DownloadRetry::Cancel);
  EXPECT_FALSE(AskRetryHttpDownload(session, options));
  EXPECT_EQ(AskRetryExtraction(session), ExtractRetry::Cancel);
  EXPECT_TRUE(machine().toolkit.log.empty());
}

}  // namespace
}  // namespace quarrix
