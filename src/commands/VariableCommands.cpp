// The variable and string commands: they compute and transform variable values without
// touching the machine (apart from looking up path spellings).
#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "commands/CommandFamilies.h"
#include "common/IntegerSyntax.h"
#include "common/WindowsPath.h"
#include "engine/Eval.h"
#include "engine/VariableManager.h"
#include "engine/LocalizeParameter.h"
#include "engine/Session.h"
#include "platform/SystemInfo.h"

namespace quarrix {
namespace {

constexpr std::string_view kPersistMarker = "$VELD$VELD$";

// ---- text helpers ----------------------------------------------------------------------------

// Blanks and control characters at both ends.
std::string Trim(std::string_view text) {
  const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// The name of a referenced result: "$NAME$" or NAME.
std::string ReferencedName(std::string_view written) {
  std::string name = StripReference(written);
  return name.empty() ? std::string(written) : name;
}

// ---- "Set Variable" and "Localization Variable" ----------------------------------------------

void RememberPersisted(Session& session, const std::string& name) {
  StringList& names = session.persistedVariables;
  const bool known =
      std::any_of(names.begin(), names.end(), [&](const std::string& n) { return EqualsIgnoreCase(n, name); });
  if (!known) names.push_back(name);
}

void SetVariableCommand(CommandContext& context) {
  TVariableManager& variables = context.session.variables;
  const std::string value = context.Localized(2, 1);
  std::string name = context.Param(1);
  bool persist = false;
  if (const size_t marker = name.find(kPersistMarker); marker != std::string::npos) {
    persist = name.substr(marker + kPersistMarker.size()) == "TRUE";
    name.resize(marker);
  }
  const std::string target = ReferencedName(name);
  variables.DeclareVariable(target, context.ActionContext());
  variables.SetVariable(target, value, context.ActionContext());
  if (persist) RememberPersisted(context.session, target);

  // Assigning ABORT is how a script cancels a running worker.
  if (EqualsIgnoreCase(target, "ABORT")) variables.SetVariable("VELD_IsCancelled", value, "Set Variable Tricke");
  if (EqualsIgnoreCase(target, "PROGRESS") || EqualsIgnoreCase(target, "PROGRESSTEXT")) {
    RequireScriptInteger(variables.GetVariable("PROGRESS"));
    // The progress display takes the new text and position here once it exists.
  }
}

void LocalizationVariableCommand(CommandContext& context) {
  TVariableManager& variables = context.session.variables;
  const std::string target = ReferencedName(context.Param(1));
  variables.DeclareVariable(target, context.ActionContext());
  std::string value = context.Param(2);
  // Translated by the variable's name, not by its line.
  if (!variables.GetVariable("LANGUAGE").empty()) {
    const StringList& constants = context.session.payload.buildConstants;
    value = LocalizeParameter(context.session.translations, ExpandConstants("#LOCMODE#", constants), value,
                              "BRIXEL$" + target + "$BRIXEL", 1, constants);
  }
  variables.SetVariable(target, variables.ExpandVariables(value), context.ActionContext());
}

// ---- "Convert Path" and "Convert Case" -------------------------------------------------------

std::optional<std::string> SpellingInFolder(platform::FileSystem& files, const std::string& folder,
                                            const std::string& name) {
  for (const platform::DirectoryEntry& entry : files.ListDirectory(WithTrailingBackslashUnlessEmpty(folder)))
    if (EqualsIgnoreCase(entry.name, name)) return entry.name;
  return std::nullopt;
}

std::string LongPathForm(platform::FileSystem& files, const std::string& given) {
  const std::string path = WithoutTrailingBackslash(given);
  const std::string folder = FolderWithoutTrailingBackslash(path);
  if (folder == path) return path;
  const std::string longFolder = LongPathForm(files, folder);
  const std::optional<std::string> name = SpellingInFolder(files, longFolder, FileNameAfterBackslashOrColon(path));
  if (!name) return path;
  return WithTrailingBackslashUnlessEmpty(longFolder) + *name;
}

// 64-bit mode's file-system redirection bracket wraps this once platform modes exist.
void ConvertPathCommand(CommandContext& context) {
  TVariableManager& variables = context.session.variables;
  const std::string name = context.Param(1);
  const std::string path = NormalizePath(variables, variables.GetVariable(name));
  platform::FileSystem& files = context.session.platform.files;
  // A path without a short form (it does not exist) stays as it was.
  const std::string converted =
      context.Truth(2) ? files.ShortPathName(path).value_or(path) : LongPathForm(files, path);
  variables.SetVariable(name, converted, context.ActionContext());
}

void ConvertCaseCommand(CommandContext& context) {
  TVariableManager& variables = context.session.variables;
  const std::string name = context.Param(1);
  const std::string text = NormalizePath(variables, variables.GetVariable(name));
  platform::SystemInfo& system = context.session.platform.system;
  variables.SetVariable(name, context.Truth(2) ? system.AnsiToUpper(text) : system.AnsiToLower(text),
                        context.ActionContext());
}

// ---- "Replace String" --------------------------------------------------------------------------

// Ignoring case compares the lowered texts, which keep their lengths.
std::string ReplaceText(platform::SystemInfo& system, const std::string& source, const std::string& search,
                        const std::string& replacement, bool ignoreCase, bool all) {
  if (source.empty() || search.empty() || source.size() < search.size()) return source;
  const std::string haystack = ignoreCase ? system.AnsiToLower(source) : source;
  const std::string needle = ignoreCase ? system.AnsiToLower(search) : search;
  std::string result;
  size_t from = 0;
  for (size_t found; (found = haystack.find(needle, from)) != std::string::npos;) {
    result.append(source, from, found - from);
    result += replacement;
    from = found + needle.size();
    if (!all) break;
  }
  result.append(source, from, std::string::npos);
  return result;
}

void ReplaceStringCommand(CommandContext& context) {
  TVariableManager& variables = context.session.variables;
  const std::string name = ReferencedName(context.Param(1));
  const std::string search = CrLfToNewline(context.Expanded(2));
  const std::string replacement = CrLfToNewline(context.Expanded(3));
  const std::string source = CrLfToNewline(variables.GetVariable(name));
  variables.SetVariable(ToUpperAscii(name),
                        ReplaceText(context.session.platform.system, source, search, replacement, context.Truth(4),
                                    context.Truth(5)),
                        context.ActionContext());
}

// ---- "Extract Path" ----------------------------------------------------------------------------

std::string ExtractPathPart(const std::string& path, int32_t code) {
  switch (code) {
    case 0: return FileNameAfterBackslashOrColon(path);
    case 1: {
      std::string name = FileNameAfterBackslashOrColon(path);
      const std::string extension = ExtensionOf(path);
      if (!extension.empty()) name.erase(name.find(extension), extension.size());
      return name;
    }
    case 2: {
      const std::string extension = ExtensionOf(path);
      return extension.empty() ? extension : extension.substr(1);
    }
    case 3: return WithTrailingBackslashUnlessEmpty(FolderUpToBackslashOrColon(path));
    case 4:
      return WithTrailingBackslashUnlessEmpty(
          FolderUpToBackslashOrColon(WithoutTrailingBackslash(FolderUpToBackslashOrColon(path))));
    case 5: return WithTrailingBackslashUnlessEmpty(DriveOf(path));
    case 6: return ReplaceAll(path, "\\\\", "\\");
    default: return path;
  }
}

void ExtractPathCommand(CommandContext& context) {
  TVariableManager& variables = context.session.variables;
  const std::string name = context.Param(1);
  const std::string path = NormalizePath(variables, variables.GetVariable(name));
  const int32_t code = RequireScriptInteger(context.Param(2));
  variables.SetVariable(name, ExtractPathPart(path, code), context.ActionContext());
}

// ---- "Parse String" ----------------------------------------------------------------------------

// 1-based, as the positions of the split rules: count characters from start, clipped to the text.
std::string Cut(const std::string& text, int64_t start, int64_t count) {
  if (start < 1) start = 1;
  if (count < 1 || start > static_cast<int64_t>(text.size())) return std::string();
  return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

struct SplitPoint {
  int64_t position = 0;  // 1-based; 0 means "no parts"
  int64_t skip = 1;
  int64_t cutAdjustment = 1;
};

SplitPoint FindSplitPoint(const std::string& text, const std::string& pattern, int32_t mode) {
  SplitPoint split;
  const auto length = static_cast<int64_t>(text.size());
  switch (mode) {
    case 0: {
      split.skip = static_cast<int64_t>(pattern.size());
      const size_t found = pattern.empty() ? std::string::npos : text.find(pattern);
      split.position = found == std::string::npos ? length + 1 : static_cast<int64_t>(found) + 1;
      break;
    }
    case 1: {
      split.skip = static_cast<int64_t>(pattern.size());
      const size_t found = pattern.empty() ? std::string::npos : text.rfind(pattern);
      if (found == std::string::npos) {
        split.position = 1;
        split.skip = 0;
      } else {
        split.position = static_cast<int64_t>(found) + 1;
      }
      break;
    }
    case 2: {
      split.cutAdjustment = 0;
      const std::optional<int32_t> at = ParseScriptInteger(pattern);
      split.position = at.value_or(0);
      if (at && *at == 0) split = SplitPoint{1, -1, 1};
      break;
    }
    case 3: {
      split.cutAdjustment = 0;
      const std::optional<int32_t> fromEnd = ParseScriptInteger(pattern);
      split.position = fromEnd ? length - *fromEnd : 0;
      break;
    }
    default: split.position = 0;
  }
  return split;
}

void ParseStringCommand(CommandContext& context) {
  TVariableManager& variables = context.session.variables;
  const std::string text = context.Path(1);
  const std::string pattern = context.Path(2);
  const std::string firstTarget = context.Param(3);
  const std::string secondTarget = context.Param(4);
  if (!firstTarget.empty()) variables.DeclareVariable(firstTarget, context.ActionContext());
  if (!secondTarget.empty()) variables.DeclareVariable(secondTarget, context.ActionContext());

  const bool ignoreCase = context.Truth(7);
  const int32_t mode = RequireScriptInteger(context.Param(5));
  platform::SystemInfo& system = context.session.platform.system;
  const SplitPoint split = ignoreCase ? FindSplitPoint(system.AnsiToLower(text), system.AnsiToLower(pattern), mode)
                                      : FindSplitPoint(text, pattern, mode);
  std::string first;
  std::string second;
  if (split.position != 0) {
    first = Cut(text, 1, split.position - split.cutAdjustment);
    second = Cut(text, split.position + split.skip, static_cast<int64_t>(text.size()) + 1);
  }
  if (context.Truth(6)) {
    first = Trim(first);
    second = Trim(second);
  }
  if (!firstTarget.empty()) variables.SetVariable(ToUpperAscii(firstTarget), first, context.ActionContext());
  if (!secondTarget.empty()) variables.SetVariable(ToUpperAscii(secondTarget), second, context.ActionContext());
}

// ---- "Mathematics" -----------------------------------------------------------------------------

int64_t Wrap(uint64_t bits) { return static_cast<int64_t>(bits); }

int64_t Shift(int64_t a, int64_t b, bool left) {
  const auto c = static_cast<unsigned>(static_cast<uint64_t>(b) & 0xFF);
  if (c >= 64 && c < 128) return 0;
  const unsigned by = c < 64 ? c : c % 32;
  const auto bits = static_cast<uint64_t>(a);
  return Wrap(left ? bits << by : bits >> by);
}

int32_t Low32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))); }

// Division faults (by zero, or the one quotient that overflows) leave the result empty.
bool DivisionFaults(int64_t a, int64_t b) { return b == 0 || (b == -1 && a == INT64_MIN); }

// Nothing when the operation fails.
std::optional<std::string> Calculate(CommandContext& context, int64_t code) {
  Session::RandomGenerator& generator = context.session.randomGenerator;
  if (code == 11) {
    const std::string text = context.Expanded(1);
    if (text.empty()) return std::nullopt;
    return std::to_string(static_cast<unsigned char>(text[0]));
  }
  const std::optional<int64_t> parsedA = ParseScriptInteger64(context.Expanded(1));
  if (!parsedA) return std::nullopt;
  const int64_t a = *parsedA;
  int64_t b = 0;
  if (code < 10 || code == 13) {
    const std::optional<int64_t> parsedB = ParseScriptInteger64(context.Expanded(2));
    if (!parsedB) return std::nullopt;
    b = *parsedB;
  }
  const auto ua = static_cast<uint64_t>(a);
  const auto ub = static_cast<uint64_t>(b);
  int64_t result = 0;
  switch (code) {
    case 0: result = Wrap(ua + ub); break;
    case 1: result = Wrap(ua - ub); break;
    case 2: result = Wrap(ua * ub); break;
    case 3:
      if (DivisionFaults(a, b)) return std::nullopt;
      result = a / b;
      break;
    case 4:
      if (DivisionFaults(a, b)) return std::nullopt;
      result = a % b;
      break;
    case 5: result = a & b; break;
    case 6: result = a | b; break;
    case 7: result = a ^ b; break;
    case 8: result = Shift(a, b, true); break;
    case 9: result = Shift(a, b, false); break;
    case 10: result = ~a; break;
    case 12: return std::string(1, static_cast<char>(ua & 0xFF));
    case 13:
      generator.multiplier = Low32(a);
      generator.increment = Low32(b);
      result = Wrap(ua + ub);
      break;
    case 14:
      generator.state = Low32(a);
      result = generator.state;
      break;
    case 15: {
      const auto product = static_cast<uint32_t>(generator.multiplier) * static_cast<uint32_t>(generator.state);
      const auto r = static_cast<int32_t>(product + static_cast<uint32_t>(generator.increment));
      generator.state = r % 0x7FFF;
      if (a == 0) return std::nullopt;
      result = static_cast<int64_t>(r) % a;  // |r| < 2^31: no overflow even for a = -1
      break;
    }
    default: return std::nullopt;  // an unknown operation stores the empty text
  }
  return std::to_string(result);
}

void MathematicsCommand(CommandContext& context) {
  TVariableManager& variables = context.session.variables;
  const std::string target = context.Param(4);
  if (!target.empty() && !variables.VariableExists(target)) variables.DeclareVariable(target, context.ActionContext());
  std::optional<std::string> result;
  try {
    if (const std::optional<int64_t> code = ParseScriptInteger64(context.Param(3))) result = Calculate(context, *code);
  } catch (const std::exception&) {
    result.reset();  // this command never fails: a failure gives the empty result
  }
  if (!target.empty()) variables.SetVariable(target, result.value_or(""), context.ActionContext());
}

// ---- "Evaluate Expression" ---------------------------------------------------------------------

void EvaluateExpressionCommand(CommandContext& context) {
  TVariableManager& variables = context.session.variables;
  const std::string target = context.Param(2);
  if (!variables.VariableExists(target)) variables.DeclareVariable(target, context.ActionContext());
  const std::string value = EvaluateExpression(variables.ExpandVariablesQuoted(context.Param(1)));
  variables.SetVariable(target, value, context.ActionContext());
}

std::string CheckVariableNamedByParam1(const LineCheck& check) {
  std::string name = check.Param(1);
  if (!check.Defined(name)) return kVariableNotDefined + name;
  return {};
}

std::string CheckEvaluateExpression(const LineCheck& check) {
  check.Declare(2);
  if (!CheckExpressionSyntax(check.Param(1)))
    return "Syntax error in expression. Please review the help topic \"Evaluate Expression\" for the correct syntax.";
  return {};
}

// A persisted variable's name carries the persistence marker and its flag.
std::string DeclareSetVariable(const LineCheck& check) {
  std::string target = check.Param(1);
  size_t marker = target.find("$VELD$VELD$");
  if (marker != std::string::npos) target.resize(marker);
  check.DeclareName(target);
  return {};
}

constexpr CommandRow kRows[] = {
    {"Set Variable", SetVariableCommand, DeclareSetVariable},
    {"Localization Variable", LocalizationVariableCommand, DeclareOnly<1>},
    {"Convert Path", ConvertPathCommand, CheckVariableNamedByParam1},
    {"Convert Case", ConvertCaseCommand, CheckVariableNamedByParam1},
    {"Replace String", ReplaceStringCommand, CheckVariableNamedByParam1},
    {"Extract Path", ExtractPathCommand, CheckVariableNamedByParam1},
    {"Parse String", ParseStringCommand, DeclareOnly<3, 4>},
    {"Mathematics", MathematicsCommand, DeclareOnly<4>},
    {"Evaluate Expression", EvaluateExpressionCommand, CheckEvaluateExpression},
};

}  // namespace

std::span<const CommandRow> VariableCommandRows() { return kRows; }

}  // namespace quarrix
