#include "instance/InstanceData.h"

#include <array>

#include "engine/Session.h"
#include "localisation/TextLines.h"

namespace quarrix {
namespace {

constexpr std::string_view kSectionEnd = "$";
constexpr std::string_view kPlatformModeKey = "VELD64WOW";
constexpr std::string_view kLoadContext = "LoadComponents";
constexpr size_t kSectionCount = 6;
constexpr size_t kFixedLineCount = 4;  // TARGETDIR, ALLUSERS, STARTMENU, data folder

class LineWriter {
 public:
  void Line(std::string_view line) {
    text_.append(line);
    text_.append("\r\n");
  }
  void Lines(const StringList& lines) {
    for (const std::string& line : lines) Line(line);
  }
  void Section(const StringList& lines) {
    Lines(lines);
    Line(kSectionEnd);
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

void WritePersistedVariables(Session& session, LineWriter& out) {
  for (const std::string& name : session.persistedVariables) {
    out.Line(name);
    out.Line(CrLfToNewline(session.variables.GetVariable(name)));
  }
}

void WriteClosingPairs(Session& session, LineWriter& out) {
  out.Line(kPlatformModeKey);
  out.Line(session.run.platformMode);
  out.Line("OVERRIDECACHE");
  out.Line(session.variables.GetVariable("OVERRIDECACHE"));
}

std::string DataFolderLine(Session& session, bool emptyDataLine) {
  if (emptyDataLine) return {};
  return session.platform.files.ShortPathName(session.dataFolder).value_or("");
}

void WriteFull(Session& session, const std::string& path, bool emptyDataLine) {
  const ComponentTable& table = session.run.components;
  LineWriter out;
  out.Section(table.names);
  out.Section(table.states);
  out.Section(table.deleted);
  out.Section(table.hidden);
  out.Section(table.fixed);
  out.Section(table.sizes);
  out.Line(session.variables.GetVariable("TARGETDIR"));
  out.Line(session.variables.GetVariable("ALLUSERS"));
  out.Line(session.variables.GetVariable("STARTMENU"));
  out.Line(DataFolderLine(session, emptyDataLine));
  WritePersistedVariables(session, out);
  WriteClosingPairs(session, out);
  session.platform.files.WriteFile(path, out.Text());
}

// The components and fixed lines come from the old file; the variables are this run's.
void WriteUpdate(Session& session, const std::string& path) {
  platform::FileSystem& files = session.platform.files;
  auto old = files.ReadFile(path);
  if (!old) return;
  const StringList lines = SplitTextLines(*old);
  LineWriter out;
  size_t next = 0;
  for (size_t sectionEnds = 0; next < lines.size() && sectionEnds < kSectionCount; ++next) {
    out.Line(lines[next]);
    if (lines[next] == kSectionEnd) ++sectionEnds;
  }
  for (size_t copied = 0; next < lines.size() && copied < kFixedLineCount; ++copied, ++next) out.Line(lines[next]);
  WritePersistedVariables(session, out);
  WriteClosingPairs(session, out);
  const std::string temporary = path + ".dat";
  if (!files.WriteFile(temporary, out.Text())) return;
  files.RemoveFile(path);
  files.Move(temporary, path);
}

void AddPersistedName(StringList& names, const std::string& name) {
  for (const std::string& known : names)
    if (EqualsIgnoreCase(known, name)) return;
  names.push_back(name);
}

// Lines past the component sections: TARGETDIR, ALLUSERS, STARTMENU, the data line, then pairs.
void ApplyTail(Session& session, const StringList& lines, size_t next, InstanceLoad mode) {
  TVariableManager& variables = session.variables;
  // A file cut short does not blank the folders it no longer carries.
  for (const char* name : {"TARGETDIR", "ALLUSERS", "STARTMENU"}) {
    if (next >= lines.size()) return;
    variables.SetVariable(name, lines[next++], kLoadContext);
  }
  if (next >= lines.size()) return;
  if (mode != InstanceLoad::Merge) session.instance.savedDataFolderLine = lines[next];
  ++next;
  bool afterPlatformMode = false;
  while (next < lines.size()) {
    const std::string& name = lines[next++];
    const std::string value = next < lines.size() ? lines[next++] : std::string();
    if (afterPlatformMode) {
      variables.SetVariable(name, value, kLoadContext);
      afterPlatformMode = false;
    } else if (name == kPlatformModeKey) {
      session.run.platformMode = value;
      afterPlatformMode = true;
    } else {
      AddPersistedName(session.persistedVariables, name);
      variables.SetVariable(name, value, kLoadContext);
    }
  }
}

void Append(StringList& target, const StringList& lines) { target.insert(target.end(), lines.begin(), lines.end()); }

void ApplyLive(ComponentTable& table, std::array<StringList, kSectionCount>& sections, bool keepSizes) {
  Append(table.names, sections[0]);
  Append(table.states, sections[1]);
  Append(table.deleted, sections[2]);
  Append(table.hidden, sections[3]);
  Append(table.fixed, sections[4]);
  if (!keepSizes) Append(table.sizes, sections[5]);
  // A damaged file with fewer states than names must not leave components without a state.
  if (table.states.size() < table.names.size()) table.states.resize(table.names.size(), "FALSE");
}

void ApplyMerge(ComponentTable& table, std::array<StringList, kSectionCount>& sections) {
  const StringList& names = sections[0];
  const StringList& states = sections[1];
  for (size_t i = 0; i < names.size() && i < states.size(); ++i)
    for (size_t live = 0; live < table.names.size(); ++live)
      if (EqualsIgnoreCase(table.names[live], names[i])) {
        if (table.states.size() <= live) table.states.resize(live + 1, "FALSE");
        table.states[live] = states[i];
      }
  table.deleted = std::move(sections[2]);
  table.hidden = std::move(sections[3]);
  table.fixed = std::move(sections[4]);
}

}  // namespace

StringList ReadTextLines(platform::FileSystem& files, const std::string& path) {
  auto text = files.ReadFile(path);
  return text ? SplitTextLines(*text) : StringList();
}

void SaveInstanceData(Session& session, const std::string& path, bool emptyDataLine, bool full) {
  if (full)
    WriteFull(session, path, emptyDataLine);
  else if (session.platform.files.FileExists(path))
    WriteUpdate(session, path);
}

void LoadInstanceData(Session& session, const std::string& path, InstanceLoad mode) {
  if (!session.platform.files.FileExists(path)) return;
  const StringList lines = ReadTextLines(session.platform.files, path);
  std::array<StringList, kSectionCount> sections;
  size_t section = 0;
  size_t next = 0;
  for (; next < lines.size() && section < kSectionCount; ++next) {
    if (lines[next] == kSectionEnd)
      ++section;
    else
      sections[section].push_back(lines[next]);
  }
  if (mode == InstanceLoad::Merge)
    ApplyMerge(session.run.components, sections);
  else
    ApplyLive(session.run.components, sections, mode == InstanceLoad::KeepSizes);
  if (section == kSectionCount) ApplyTail(session, lines, next, mode);
}

}  // namespace quarrix
