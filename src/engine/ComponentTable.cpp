#include "engine/ComponentTable.h"

#include <algorithm>

#include "common/IntegerSyntax.h"
#include "engine/VariableManager.h"
#include "platform/DialogControls.h"

namespace quarrix {
namespace {

const char* StateText(bool selected) { return selected ? "TRUE" : "FALSE"; }

bool Contains(const StringList& list, std::string_view name) {
  return std::any_of(list.begin(), list.end(), [&](const std::string& entry) { return EqualsIgnoreCase(entry, name); });
}

void RemoveFirst(StringList& list, std::string_view name) {
  auto it = std::find_if(list.begin(), list.end(), [&](const std::string& entry) { return EqualsIgnoreCase(entry, name); });
  if (it != list.end()) list.erase(it);
}

// The name itself, then each ancestor (A\B\C, A\B, A).
template <typename Predicate>
bool AnyLevel(std::string_view name, Predicate test) {
  while (true) {
    if (test(name)) return true;
    size_t cut = name.rfind('\\');
    if (cut == std::string_view::npos) return false;
    name = name.substr(0, cut);
  }
}

// A file read back from an older run may hold fewer states than names.
const std::string& StateAt(const StringList& states, size_t index) {
  static const std::string kNone;
  return index < states.size() ? states[index] : kNone;
}

StringList SplitLevels(std::string_view name) {
  StringList levels;
  size_t start = 0;
  while (true) {
    size_t end = name.find('\\', start);
    levels.emplace_back(name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return levels;
    start = end + 1;
  }
}

platform::TreeNodeId FindNode(platform::TreeView& tree, const std::vector<platform::TreeNodeId>& candidates,
                              std::string_view text) {
  for (platform::TreeNodeId node : candidates)
    if (EqualsIgnoreCase(tree.Text(node), text)) return node;
  return platform::kNoTreeNode;
}

}  // namespace

void ComponentTable::StartRun(const StringList& compiledSizes) {
  sizes = compiledSizes;
  installedBaseline = 0;
  ResetComponents();
}

void ComponentTable::ResetComponents() {
  ClearComponents();
  DefineComponent(kPredefinedComponent, "", true);
}

void ComponentTable::ClearComponents() {
  names.clear();
  states.clear();
  descriptions.clear();
  deleted.clear();
  hidden.clear();
  fixed.clear();
}

void ComponentTable::DefineComponent(std::string_view name, std::string_view description, bool selected) {
  int existing = ComponentIndex(name);
  size_t index = existing >= 0 ? static_cast<size_t>(existing) : names.size();
  if (existing >= 0) {
    RemoveFirst(deleted, name);
  } else {
    names.emplace_back(name);
  }
  if (descriptions.size() <= index) descriptions.resize(index + 1);
  descriptions[index] = std::string(description);
  if (!HasSizeEntry(name)) {
    sizes.emplace_back(name);
    sizes.emplace_back("0");
  }
  if (states.size() <= index) states.resize(index + 1);
  // A redefinition keeps the selection the table already holds.
  if (states[index].empty()) states[index] = StateText(selected);
}

int ComponentTable::ComponentIndex(std::string_view name) const {
  for (size_t i = 0; i < names.size(); ++i)
    if (EqualsIgnoreCase(names[i], name)) return static_cast<int>(i);
  return -1;
}

bool ComponentTable::IsDeleted(std::string_view name) const { return Contains(deleted, name); }
bool ComponentTable::IsHidden(std::string_view name) const { return Contains(hidden, name); }
bool ComponentTable::IsFixed(std::string_view name) const { return Contains(fixed, name); }

bool ComponentTable::IsHiddenWithAncestors(std::string_view name) const {
  return AnyLevel(name, [this](std::string_view level) { return IsHidden(level); });
}

bool ComponentTable::IsFixedWithAncestors(std::string_view name) const {
  return AnyLevel(name, [this](std::string_view level) { return IsFixed(level); });
}

void ComponentTable::SetComponentState(std::string_view name, bool selected) {
  int index = ComponentIndex(name);
  if (index >= 0) SetComponentStateAt(static_cast<size_t>(index), selected);
}

void ComponentTable::SetComponentStateAt(size_t index, bool selected) {
  if (index >= names.size()) return;
  if (states.size() <= index) states.resize(index + 1);
  states[index] = StateText(selected);
}

bool ComponentTable::ComponentSelected(std::string_view name) const {
  int index = ComponentIndex(name);
  return index >= 0 && !IsDeleted(name) && IsTrue(StateAt(states, static_cast<size_t>(index)));
}

// Every entry is compared, sizes included; names are never numbers in practice.
int64_t ComponentTable::ComponentSize(std::string_view name) const {
  for (size_t i = 0; i < sizes.size(); ++i) {
    if (!EqualsIgnoreCase(sizes[i], name)) continue;
    if (i + 1 == sizes.size()) return 0;
    return ParseScriptInteger64(sizes[i + 1]).value_or(0);
  }
  return 0;
}

void ComponentTable::SetComponentSize(std::string_view name, int64_t size) {
  if (!ComponentExists(name)) return;
  const std::string text = std::to_string(size);
  for (size_t i = 0; i < sizes.size(); ++i) {
    if (!EqualsIgnoreCase(sizes[i], name)) continue;
    if (i + 1 == sizes.size())
      sizes.push_back(text);
    else
      sizes[i + 1] = text;
    return;
  }
  sizes.emplace_back(name);
  sizes.push_back(text);
}

std::string ComponentTable::ComponentDescription(std::string_view name) const {
  int index = ComponentIndex(name);
  if (index < 0 || static_cast<size_t>(index) >= descriptions.size()) return {};
  return descriptions[static_cast<size_t>(index)];
}

int64_t ComponentTable::SelectedSize() const {
  int64_t total = 0;
  for (size_t i = 0; i < names.size(); ++i)
    if (IsTrue(StateAt(states, i)) && !IsDeleted(names[i])) total += ComponentSize(names[i]);
  return total;
}

int64_t ComponentTable::TotalToInstall() const { return SelectedSize() - installedBaseline; }

void ComponentTable::SetSelectionFixed(std::string_view name, bool locked) {
  SetMark(fixed, name, locked, ComponentExists(name));
}

void ComponentTable::SetVisible(std::string_view name, bool visible) {
  SetMark(hidden, name, !visible, ComponentExists(name));
}

void ComponentTable::DeleteComponent(std::string_view name) { SetMark(deleted, name, true, ComponentExists(name)); }

bool ComponentTable::HasSizeEntry(std::string_view name) const { return Contains(sizes, name); }

void ComponentTable::SetMark(StringList& marks, std::string_view name, bool marked, bool exists) {
  if (!marked)
    RemoveFirst(marks, name);
  else if (exists && !Contains(marks, name))
    marks.emplace_back(name);
}

void FillComponentTree(const ComponentTable& table, platform::TreeView& tree) {
  tree.Clear();
  for (size_t i = 0; i < table.names.size(); ++i) {
    const std::string& name = table.names[i];
    if (EqualsIgnoreCase(name, kPredefinedComponent) || table.IsDeleted(name) || table.IsHiddenWithAncestors(name))
      continue;
    platform::TreeNodeId node = platform::kNoTreeNode;
    bool topLevel = true;
    for (const std::string& level : SplitLevels(name)) {
      // The first level is looked for anywhere in the tree, further levels only below it.
      platform::TreeNodeId found = FindNode(tree, topLevel ? tree.AllNodes() : tree.Children(node), level);
      node = found != platform::kNoTreeNode ? found : tree.AddNode(topLevel ? platform::kNoTreeNode : node, level);
      topLevel = false;
    }
    const int image = StateAt(table.states, i) == "TRUE" ? 1 : 0;
    tree.SetImages(node, image, image);
    tree.SetData(node, static_cast<intptr_t>(i) + 1);
  }
}

void FillComponentList(const ComponentTable& table, platform::CheckList& list) {
  list.Clear();
  for (size_t i = 0; i < table.names.size(); ++i) {
    const std::string& name = table.names[i];
    if (EqualsIgnoreCase(name, kPredefinedComponent) || table.IsDeleted(name) || table.IsHidden(name)) continue;
    if (name.find('\\') != std::string::npos) continue;
    list.AddItem(name, StateAt(table.states, i) == "TRUE");
  }
}

// An item matches every component whose name starts with its text, children included; the
// prefix has no level boundary (an item Tool also matches Tools). The item's mark then shows the
// state of the component it names, so a locked component's mark reverts, whatever the states of
// its children.
void ReadComponentList(ComponentTable& table, platform::CheckList& list) {
  for (size_t item = 0; item < list.Count(); ++item) {
    const std::string text = list.ItemText(item);
    const std::string prefix = ToUpperAscii(text);
    const bool checked = list.Checked(item);
    const bool topLevel = text.find('\\') == std::string::npos;
    for (size_t i = 0; i < table.names.size(); ++i) {
      if (!StartsWith(ToUpperAscii(table.names[i]), prefix)) continue;
      if (!table.IsFixedWithAncestors(table.names[i])) table.SetComponentStateAt(i, checked);
      if (topLevel && EqualsIgnoreCase(table.names[i], text)) list.SetChecked(item, IsTrue(StateAt(table.states, i)));
    }
  }
}

}  // namespace quarrix
