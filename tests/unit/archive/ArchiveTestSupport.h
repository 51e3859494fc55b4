#pragma once
// Archives made at test time with the 7z tool, a host folder to extract into, and a reader
// wired to the host's files and crypto.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "archive/ArchiveReader.h"
#include "archive/Cp1252CodePage.h"
#include "archive/native/HostFiles.h"
#include "archive/native/OpenSslCrypto.h"
#include "support/TempMachine.h"

namespace quarrix::archive::testing {

namespace fs = std::filesystem;

inline bool HaveSevenZip() { return std::system("command -v 7z >/dev/null 2>&1") == 0; }

inline std::string ReadHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void WriteHostFile(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

inline std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (auto& c : bytes) c = static_cast<char>(random());
  return bytes;
}

inline std::string ReadHostFile(const fs::path& path);

// Machine code with many calls and jumps, so that the branch filters have work to do. It
// starts with this program's own executable header: 7z picks its executable filters by it.
inline std::string CodeLikeBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes = ReadHostFile("/proc/self/exe").substr(0, 64);
  while (bytes.size() < size) {
    const unsigned kind = random() % 4;
    const uint32_t target = static_cast<uint32_t>(bytes.size() + (random() % 4096)) - 2048;
    if (kind == 0 || kind == 1) {
      bytes.push_back(kind == 0 ? '\xE8' : '\xE9');
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(target >> (8 * i)));
    } else if (kind == 2) {
      bytes += "\x0F\x85";
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(target >> (8 * i)));
    } else {
      bytes += "\x55\x48\x89\xE5\x48\x83\xEC\x20\x8B\x45\xFC";
    }
  }
  bytes.resize(size);
  return bytes;
}

// Entry paths use "\\"; the host wants "/".
inline fs::path HostRelative(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return fs::path(path);
}

class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveSevenZip()) GTEST_SKIP() << "7z is not installed";
  }

  fs::path Root() const { return temp_.Path(); }
  fs::path Source() const { return temp_.Path() / "src"; }
  fs::path Destination() const { return temp_.Path() / "out"; }

  void AddFile(const std::string& relative, const std::string& content) {
    WriteHostFile(Source() / HostRelative(relative), content);
    files_[relative] = content;
  }
  void AddFolder(const std::string& relative) { fs::create_directories(Source() / HostRelative(relative)); }
  const std::map<std::string, std::string>& Files() const { return files_; }

  // Runs 7z a in the source folder over `items` (default: everything in it).
  fs::path MakeArchive(const std::string& name, const std::string& switches, const std::string& items = "*") {
    const fs::path archive = Root() / name;
    const std::string command = "cd '" + Source().string() + "' && 7z a -bd -y " + switches + " '" + archive.string() +
                                "' " + items + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return archive;
  }

  std::string Methods(const fs::path& archive) const {
    const fs::path listing = Root() / "listing.txt";
    const std::string command = "7z l -slt -p- '" + archive.string() + "' > '" + listing.string() + "' 2>&1";
    (void)std::system(command.c_str());
    return ReadHostFile(listing);
  }

  ArchiveStatus OpenArchive(const fs::path& archive, PasswordProvider password = {}) {
    input_ = OpenHostArchive(archive);
    return reader_.Open(input_.get(), std::move(password));
  }

  ArchiveStatus ExtractAll(const ExtractOptions& options = {}) {
    return reader_.Extract(output_, Destination().string(), options);
  }

  // Every expected file is in the destination with exactly its content.
  void ExpectExtracted() const {
    for (const auto& [relative, content] : files_) {
      SCOPED_TRACE(relative);
      ASSERT_TRUE(fs::exists(Destination() / HostRelative(relative)));
      EXPECT_TRUE(ReadHostFile(Destination() / HostRelative(relative)) == content);
    }
  }

  // Whatever a failed extraction left behind must be right: a file is either absent or exact.
  void ExpectNothingWrong() const {
    if (!fs::exists(Destination())) return;
    for (const auto& item : fs::recursive_directory_iterator(Destination())) {
      if (!item.is_regular_file()) continue;
      std::string relative = fs::relative(item.path(), Destination()).string();
      std::replace(relative.begin(), relative.end(), '/', '\\');
      const auto expected = files_.find(relative);
      ASSERT_NE(expected, files_.end()) << "unexpected file " << relative;
      EXPECT_TRUE(ReadHostFile(item.path()) == expected->second) << "wrong content in " << relative;
    }
  }

  quarrix::testing::TempFolder temp_;
  Cp1252CodePage codePage_;
  OpenSslCrypto crypto_;
  std::unique_ptr<ArchiveInput> input_;
  ArchiveReader reader_{codePage_, &crypto_};
  HostArchiveOutput output_{codePage_};
  std::map<std::string, std::string> files_;
};

inline PasswordProvider GivePassword(const std::string& password, int* asked = nullptr) {
  return [password, asked](std::string& out) {
    if (asked) ++*asked;
    out = password;
    return true;
  };
}

}  // namespace quarrix::archive::testing
