#pragma once
// The dialog controls the engine fills itself rather than through bound variables: a tree view
// and a check list. The wizard's dialogs hand them to the component bindings.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quarrix::platform {

using TreeNodeId = int32_t;
inline constexpr TreeNodeId kNoTreeNode = -1;

class TreeView {
 public:
  virtual ~TreeView() = default;

  virtual void Clear() = 0;
  // Every node, top level and children alike, in tree order (each node before its children).
  virtual std::vector<TreeNodeId> AllNodes() = 0;
  virtual std::vector<TreeNodeId> Children(TreeNodeId node) = 0;
  virtual std::string Text(TreeNodeId node) = 0;
  // Appended as the last child of parent, or as the last top-level node for kNoTreeNode.
  virtual TreeNodeId AddNode(TreeNodeId parent, const std::string& text) = 0;
  virtual void SetImages(TreeNodeId node, int imageIndex, int selectedImageIndex) = 0;
  virtual void SetData(TreeNodeId node, intptr_t data) = 0;
};

class CheckList {
 public:
  virtual ~CheckList() = default;

  virtual void Clear() = 0;
  virtual void AddItem(const std::string& text, bool checked) = 0;
  virtual size_t Count() = 0;
  virtual std::string ItemText(size_t index) = 0;
  virtual bool Checked(size_t index) = 0;
  virtual void SetChecked(size_t index, bool checked) = 0;
};

}  // namespace quarrix::platform
