#include "platform/sim/SimDialogControls.h"

namespace quarrix::platform::sim {

void SimTreeView::Clear() {
  nodes.clear();
  topLevel.clear();
}

std::vector<TreeNodeId> SimTreeView::AllNodes() {
  std::vector<TreeNodeId> order;
  order.reserve(nodes.size());
  for (TreeNodeId node : topLevel) AppendSubtree(node, order);
  return order;
}

void SimTreeView::AppendSubtree(TreeNodeId node, std::vector<TreeNodeId>& out) const {
  out.push_back(node);
  for (TreeNodeId child : nodes.at(node).children) AppendSubtree(child, out);
}

TreeNodeId SimTreeView::AddNode(TreeNodeId parent, const std::string& text) {
  const auto id = static_cast<TreeNodeId>(nodes.size());
  nodes.push_back(SimTreeNode{text, parent, {}, -1, -1, 0});
  if (parent == kNoTreeNode)
    topLevel.push_back(id);
  else
    nodes.at(parent).children.push_back(id);
  return id;
}

void SimTreeView::SetImages(TreeNodeId node, int imageIndex, int selectedImageIndex) {
  nodes.at(node).imageIndex = imageIndex;
  nodes.at(node).selectedImageIndex = selectedImageIndex;
}

TreeNodeId SimTreeView::Find(const std::string& path) const {
  const std::vector<TreeNodeId>* level = &topLevel;
  TreeNodeId found = kNoTreeNode;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    found = kNoTreeNode;
    for (TreeNodeId candidate : *level)
      if (nodes.at(candidate).text == part) {
        found = candidate;
        break;
      }
    if (found == kNoTreeNode) return kNoTreeNode;
    level = &nodes.at(found).children;
    start = end + 1;
  }
  return found;
}

}  // namespace quarrix::platform::sim
