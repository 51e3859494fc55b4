// qx list / qx extract: the archive reader over host files, with the engine's error texts.
#include <cstdio>
#include <memory>
#include <optional>

#include "QxCommands.h"
#include "archive/ArchiveReader.h"
#include "archive/Cp1252CodePage.h"
#include "archive/native/HostFiles.h"
#include "archive/native/HostResources.h"
#include "archive/native/OpenSslCrypto.h"
#include "media/ArchiveExtraction.h"

namespace quarrix::qx {
namespace {

// A failure the engine would report: printed as its text, exit code 1.
int Rejected(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  return kExitRejected;
}

class OpenedArchive {
 public:
  // Reads the archive's header; false with the listing's error text when that fails.
  bool Open(const std::string& path, const std::optional<std::string>& password, std::string& errorText) {
    input_ = archive::OpenHostArchive(path);
    const archive::ArchiveStatus status = reader_.Open(input_.get(), [password](std::string& out) {
      if (!password) return false;
      out = *password;
      return true;
    });
    if (status == archive::ArchiveStatus::kOk) return true;
    errorText = ListingErrorText(archive::ErrorCode(status));
    return false;
  }

  archive::ArchiveReader& Reader() { return reader_; }

 private:
  archive::Cp1252CodePage codePage_;
  archive::OpenSslCrypto crypto_;
  std::unique_ptr<archive::ArchiveInput> input_;
  archive::ArchiveReader reader_{codePage_, &crypto_};
};

}  // namespace

std::optional<std::string> TakeOption(std::vector<std::string>& arguments, const std::string& name) {
  std::optional<std::string> value;
  for (size_t i = 0; i < arguments.size();) {
    if (arguments[i] == "--") break;
    if (arguments[i] != name) {
      ++i;
      continue;
    }
    if (i + 1 == arguments.size()) throw InputError(name + " needs a value");
    if (value) throw InputError(name + " given twice");
    value = arguments[i + 1];
    arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2);
  }
  return value;
}

int RunList(Arguments arguments) {
  std::vector<std::string> rest(arguments.begin(), arguments.end());
  const std::optional<std::string> password = TakeOption(rest, "--password");
  ParsedArguments parsed = ParseArguments("list", rest, false);
  ExpectPositionalCount("list", parsed, 1);
  OpenedArchive archive;
  std::string errorText;
  if (!archive.Open(parsed.positional[0], password, errorText)) return Rejected(errorText);
  std::string text;
  for (const archive::ArchiveEntry& entry : archive.Reader().Entries()) text += entry.path + "\n";
  WriteStdout(text);
  return kExitOk;
}

int RunExtract(Arguments arguments) {
  std::vector<std::string> rest(arguments.begin(), arguments.end());
  const std::optional<std::string> password = TakeOption(rest, "--password");
  ParsedArguments parsed = ParseArguments("extract", rest, false);
  ExpectPositionalCount("extract", parsed, 2);
  OpenedArchive archive;
  std::string errorText;
  if (!archive.Open(parsed.positional[0], password, errorText)) return Rejected(errorText);
  archive::Cp1252CodePage codePage;
  archive::HostArchiveOutput output(codePage);
  archive::ExtractOptions options;
  options.resources = archive::HostDecodeResources();
  const archive::ArchiveStatus status = archive.Reader().Extract(output, parsed.positional[1], options);
  if (status == archive::ArchiveStatus::kOk) return kExitOk;
  // The engine's text first; the reader's own account helps the author find the fault.
  return Rejected("#" + std::to_string(archive::ErrorCode(status)) + "\n" + archive.Reader().LastMessage());
}

}  // namespace quarrix::qx
