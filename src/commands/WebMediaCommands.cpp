// "Web Media Block" names the block that the following lines' media come from.
#include <stdexcept>
#include <string>
#include <string_view>

#include "commands/CommandFamilies.h"
#include "common/WindowsPath.h"
#include "engine/Session.h"
#include "media/BlockPassword.h"

namespace quarrix {
namespace {

bool IsLegalFileName(std::string_view path) {
  return FileNameAfterBackslashOrColon(path).find_first_of("/*?\"<>|") == std::string::npos;
}

// The block's archive lies in the data folder itself: a name that names a path is refused.
bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string_view::npos;
}

std::string CheckWebMediaBlock(const LineCheck& check) {
  std::string name = check.Param(1);
  if (!name.empty() && check.Param(2).empty()) return "Web Media Block must have at least one download URL";
  if (!IsLegalFileName(name)) return "Web Media Block name must be a legal file name";
  return {};
}

// Parameters: 1 block name, 2 address list (one per line; "$NEWLINE$" joins them in one parameter).
void WebMediaBlockLine(CommandContext& context) {
  Session& session = context.session;
  const std::string name = context.Param(1);
  if (!IsPlainName(name)) throw std::runtime_error("Web Media Block name must be a legal file name");
  WebMediaBlock& block = session.run.webMedia.block;
  block.addresses = NewlineToCrLf(context.Expanded(2));
  block.archivePath = WithTrailingBackslash(session.dataFolder) + name + ".7zip";
  block.password = BlockPassword(session.payload.webMediaPasswords, name);
}

constexpr CommandRow kRows[] = {
    {"Web Media Block", WebMediaBlockLine, CheckWebMediaBlock},
};

}  // namespace

std::span<const CommandRow> WebMediaCommandRows() { return kRows; }

}  // namespace quarrix
