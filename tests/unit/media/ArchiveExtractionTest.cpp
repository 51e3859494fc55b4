#include "media/ArchiveExtraction.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quarrix {
namespace {

// Records what the wrapper hands the library and plays back the library's answers.
class RecordingLibrary : public platform::ArchiveLibrary {
 public:
  std::optional<std::vector<std::string>> listing = std::vector<std::string>{"a.txt", "dir\\b.txt"};
  bool extractResult = true;
  uint32_t error = 0;
  bool throwOnExtract = false;

  int listCalls = 0;
  std::vector<std::string> targets;
  int32_t modeFlag = -1;
  int32_t overwriteAnswer = -1;
  std::vector<std::string> passwordsGiven;  // every password request the library made, answered or not
  int passwordRequestsRefused = 0;

  bool Load(const std::string&) override { return true; }
  bool IsLoaded() const override { return true; }
  void Unload() override {}
  uint32_t GetLastArchiveError() override { return error; }

  std::optional<std::vector<std::string>> ListArchive(const std::string&, const std::string&,
                                                      const platform::ArchiveCallbacks& callbacks) override {
    ++listCalls;
    AskPasswordTwice(callbacks);
    return listing;
  }

  bool ExtractArchive(const std::string&, const std::string&, const std::vector<std::string>& requested, int32_t mode,
                      const std::string&, const platform::ArchiveCallbacks& callbacks) override {
    if (throwOnExtract) throw std::runtime_error("library fault");
    targets = requested;
    modeFlag = mode;
    overwriteAnswer = callbacks.overwrite();
    EXPECT_TRUE(callbacks.progress("a.txt", 1, 2));
    EXPECT_EQ(callbacks.twoArgument(7, 9), 1);
    AskPasswordTwice(callbacks);
    return extractResult;
  }

 private:
  // A library that meets a wrong password asks again; the engine must answer only once.
  void AskPasswordTwice(const platform::ArchiveCallbacks& callbacks) {
    for (int i = 0; i < 2; ++i) {
      std::string buffer;
      if (callbacks.password(buffer))
        passwordsGiven.push_back(buffer);
      else
        ++passwordRequestsRefused;
    }
  }
};

TEST(ArchiveExtractionTest, ModeSwitchAndOverwriteFlagReachTheLibrary) {
  struct Case {
    bool modeSwitch, overwrite;
    int32_t modeFlag, overwriteAnswer;
  };
  for (const Case& c : std::vector<Case>{{true, true, 0, 4}, {false, true, 1, 4}, {true, false, 0, 1}, {false, false, 1, 1}}) {
    SCOPED_TRACE(std::to_string(c.modeSwitch) + std::to_string(c.overwrite));
    RecordingLibrary library;
    std::string errorText = "stale";
    EXPECT_TRUE(ExtractArchiveFiles(library, "C:\\x.res", "", "C:\\dest\\", c.modeSwitch, c.overwrite, errorText));
    EXPECT_EQ(errorText, "");
    EXPECT_EQ(library.modeFlag, c.modeFlag);
    EXPECT_EQ(library.overwriteAnswer, c.overwriteAnswer);
  }
}

TEST(ArchiveExtractionTest, WholeArchiveIsListedFirstAGivenListIsNot) {
  RecordingLibrary whole;
  std::string errorText;
  ASSERT_TRUE(ExtractArchiveFiles(whole, "C:\\x.res", "", "C:\\dest\\", true, true, errorText));
  EXPECT_EQ(whole.listCalls, 1);
  EXPECT_EQ(whole.targets, (std::vector<std::string>{"a.txt", "dir\\b.txt"}));

  RecordingLibrary chosen;
  ASSERT_TRUE(ExtractArchiveFiles(chosen, "C:\\x.res", "", "C:\\dest\\", true, true, errorText, {"dir\\b.txt"}));
  EXPECT_EQ(chosen.listCalls, 0);
  EXPECT_EQ(chosen.targets, std::vector<std::string>{"dir\\b.txt"});
}

TEST(ArchiveExtractionTest, PasswordIsGivenOnceSoAWrongOneCannotLoop) {
  RecordingLibrary library;
  std::string errorText;
  ASSERT_TRUE(ExtractArchiveFiles(library, "C:\\x.res", "secret", "C:\\dest\\", true, true, errorText, {"a.txt"}));
  EXPECT_EQ(library.passwordsGiven, std::vector<std::string>{"secret"});
  EXPECT_EQ(library.passwordRequestsRefused, 1);
}

TEST(ArchiveExtractionTest, FailuresCarryTheEngineErrorTexts) {
  struct Case {
    const char* name;
    bool listingFails;
    bool throws;
    uint32_t error;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"not found", true, false, 1001, "The archive file was not found"},
      {"wildcard", true, false, 1002, "Illegal path used in a wildcard expression"},
      {"unsupported", true, false, 1003, "The archive cannot be opened: unsupported archive or incorrect password"},
      {"other listing code", true, false, 7, "General failure opening archive"},
      {"extraction code", false, false, 1003, "#1003"},
      {"exception inside the library call", false, true, 0, "library fault"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingLibrary library;
    if (c.listingFails) library.listing.reset();
    library.extractResult = false;
    library.throwOnExtract = c.throws;
    library.error = c.error;
    std::string errorText;
    EXPECT_FALSE(ExtractArchiveFiles(library, "C:\\x.res", "", "C:\\dest\\", true, true, errorText));
    EXPECT_EQ(errorText, c.expected);
    if (c.listingFails) {
      EXPECT_TRUE(library.targets.empty());  // nothing is extracted after a failed listing
    }
  }
}

}  // namespace
}  // namespace quarrix
