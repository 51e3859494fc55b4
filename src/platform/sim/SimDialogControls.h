#pragma once
// Headless tree view and check list: plain in-memory models a test or qx can read back.
#include <string>
#include <vector>

#include "platform/DialogControls.h"

namespace quarrix::platform::sim {

struct SimTreeNode {
  std::string text;
  TreeNodeId parent = kNoTreeNode;
  std::vector<TreeNodeId> children;
  int imageIndex = -1;
  int selectedImageIndex = -1;
  intptr_t data = 0;
};

class SimTreeView : public TreeView {
 public:
  std::vector<SimTreeNode> nodes;   // indexed by TreeNodeId
  std::vector<TreeNodeId> topLevel;

  void Clear() override;
  std::vector<TreeNodeId> AllNodes() override;
  std::vector<TreeNodeId> Children(TreeNodeId node) override { return nodes.at(node).children; }
  std::string Text(TreeNodeId node) override { return nodes.at(node).text; }
  TreeNodeId AddNode(TreeNodeId parent, const std::string& text) override;
  void SetImages(TreeNodeId node, int imageIndex, int selectedImageIndex) override;
  void SetData(TreeNodeId node, intptr_t data) override { nodes.at(node).data = data; }

  // The node reached by following texts from the top level, "\"-separated; kNoTreeNode if none.
  TreeNodeId Find(const std::string& path) const;

 private:
  void AppendSubtree(TreeNodeId node, std::vector<TreeNodeId>& out) const;
};

struct SimCheckItem {
  std::string text;
  bool checked = false;
};

class SimCheckList : public CheckList {
 public:
  std::vector<SimCheckItem> items;

  void Clear() override { items.clear(); }
  void AddItem(const std::string& text, bool checked) override { items.push_back({text, checked}); }
  size_t Count() override { return items.size(); }
  std::string ItemText(size_t index) override { return items.at(index).text; }
  bool Checked(size_t index) override { return items.at(index).checked; }
  void SetChecked(size_t index, bool checked) override { items.at(index).checked = checked; }
};

}  // namespace quarrix::platform::sim
