#pragma once
// The script's setup components: what the wizard's feature pages offer and the script queries.
// Purely the script's: it does not map onto the installer package's features. Names are paths
// whose levels are separated by "\" and compare without regard to case.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/AnsiText.h"

namespace quarrix {

namespace platform {
class TreeView;
class CheckList;
}  // namespace platform

// Always defined and selected; carries the size of everything that is always installed.
inline constexpr std::string_view kPredefinedComponent = "VELD-PREDEF-COMPONENT";

class ComponentTable {
 public:
  // The lists as the instance data file stores them. Entry i of names, states and descriptions
  // belong together; descriptions may be shorter (missing entries read as empty).
  StringList names;
  StringList states;  // "TRUE" or "FALSE"
  StringList descriptions;
  StringList sizes;  // flat pairs: name, decimal byte count
  StringList deleted;
  StringList hidden;
  StringList fixed;
  // What a maintenance run found installed; TotalToInstall counts only the difference.
  int64_t installedBaseline = 0;

  // The start of a run: sizes from the compiled script, then ResetComponents.
  void StartRun(const StringList& compiledSizes);
  // ClearComponents followed by the definition of the predefined component.
  void ResetComponents();
  // Empties every list but sizes.
  void ClearComponents();

  void DefineComponent(std::string_view name, std::string_view description, bool selected);
  // Index in names, or -1.
  int ComponentIndex(std::string_view name) const;
  bool ComponentExists(std::string_view name) const { return ComponentIndex(name) >= 0; }
  bool IsDeleted(std::string_view name) const;
  bool IsHidden(std::string_view name) const;
  bool IsHiddenWithAncestors(std::string_view name) const;
  bool IsFixed(std::string_view name) const;
  bool IsFixedWithAncestors(std::string_view name) const;

  // No effect on an undefined name; fixed and deleted marks are not consulted.
  void SetComponentState(std::string_view name, bool selected);
  void SetComponentStateAt(size_t index, bool selected);
  // Exists, is not deleted and its state is true.
  bool ComponentSelected(std::string_view name) const;
  int64_t ComponentSize(std::string_view name) const;
  // Sets the size of an existing component; an undefined name changes nothing.
  void SetComponentSize(std::string_view name, int64_t size);
  std::string ComponentDescription(std::string_view name) const;
  // May be negative when a maintenance run deselected installed components.
  int64_t TotalToInstall() const;
  // The sum over the selected components that are not deleted.
  int64_t SelectedSize() const;

  // locked: the user may not change the selection. Undefined names are not added.
  void SetSelectionFixed(std::string_view name, bool locked);
  void SetVisible(std::string_view name, bool visible);
  // A later DefineComponent of the same name undeletes it.
  void DeleteComponent(std::string_view name);

 private:
  bool HasSizeEntry(std::string_view name) const;
  static void SetMark(StringList& marks, std::string_view name, bool marked, bool exists);
};

// The wizard's views of the table.
void FillComponentTree(const ComponentTable& table, platform::TreeView& tree);
void FillComponentList(const ComponentTable& table, platform::CheckList& list);
// Takes the user's check marks into the table; a mark on a locked component reverts to its state.
void ReadComponentList(ComponentTable& table, platform::CheckList& list);

}  // namespace quarrix
