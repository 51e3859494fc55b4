// List-like controls: items and selections of list boxes, combo boxes, check lists, tree views
// and memo lines, and the folder controls that list drives, folders and files.
#include <algorithm>

#include "platform/win32/Win32ToolkitParts.h"

namespace quarrix::platform::win32::toolkit {

namespace {

bool IsListBox(Kind kind) {
  return kind == Kind::ListBox || kind == Kind::FileListBox || kind == Kind::DirectoryListBox ||
         kind == Kind::ShellTree || kind == Kind::ShellList;
}
bool IsComboKind(Kind kind) {
  return kind == Kind::ComboBox || kind == Kind::DriveComboBox || kind == Kind::FilterComboBox ||
         kind == Kind::ShellCombo;
}
bool IsMultiSelect(HWND hwnd) { return (GetWindowLongPtrW(hwnd, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0; }

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  // A text that ends with a line break has no empty line after it.
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

std::string ListText(HWND hwnd, UINT lengthMessage, UINT textMessage, WPARAM index) {
  const auto length = SendMessageW(hwnd, lengthMessage, index, 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(hwnd, textMessage, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return Ansi(text);
}

void AddLine(HWND hwnd, bool combo, const std::string& text) {
  const std::wstring wide = Wide(text);
  SendMessageW(hwnd, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

std::string WithBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

struct Entry {
  std::string name;
  bool folder;
};

std::vector<Entry> EntriesOf(const std::string& folder, const std::string& mask) {
  std::vector<Entry> entries;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Wide(WithBackslash(folder) + mask).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::string name = Ansi(found.cFileName);
    if (name == "." || name == ".." || (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0) continue;
    entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return ToLowerAscii(a.name) < ToLowerAscii(b.name); });
  return entries;
}

// The folder, its ancestors from the root down, then its sub-folders, indented like a tree.
void FillFolderTree(Control& control) {
  HWND hwnd = control.hwnd;
  const std::string& folder = control.directory;
  std::vector<std::string> chain;
  std::string path = WithBackslash(folder);
  for (size_t cut = path.find('\\'); cut != std::string::npos; cut = path.find('\\', cut + 1))
    chain.push_back(path.substr(0, cut == 2 ? 3 : cut));
  int depth = 0;
  for (const std::string& ancestor : chain) {
    const size_t slash = ancestor.find_last_of('\\', ancestor.size() - 2);
    const std::string name = depth == 0 ? ancestor : ancestor.substr(slash + 1);
    AddLine(hwnd, false, std::string(static_cast<size_t>(depth) * 2, ' ') + name);
    control.folderEntries.push_back(ancestor);
    ++depth;
  }
  const int current = static_cast<int>(chain.size()) - 1;
  for (const Entry& entry : EntriesOf(folder, "*"))
    if (entry.folder) {
      AddLine(hwnd, false, std::string(static_cast<size_t>(depth) * 2, ' ') + entry.name);
      control.folderEntries.push_back(WithBackslash(folder) + entry.name);
    }
  SendMessageW(hwnd, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
}

void FillFileList(Control& control, bool withFolders) {
  for (const Entry& entry : EntriesOf(control.directory, withFolders ? "*" : control.mask)) {
    if (entry.folder && !withFolders) continue;
    AddLine(control.hwnd, false, entry.folder ? "[" + entry.name + "]" : entry.name);
    control.folderEntries.push_back(WithBackslash(control.directory) + entry.name);
  }
}

void FillDrives(Control& control) {
  wchar_t drives[512] = {};
  GetLogicalDriveStringsW(511, drives);
  int selected = -1;
  for (const wchar_t* drive = drives; *drive; drive += wcslen(drive) + 1) {
    const std::string root = Ansi(drive);
    if (!control.directory.empty() && ToUpperAscii(root[0]) == ToUpperAscii(control.directory[0]))
      selected = static_cast<int>(control.folderEntries.size());
    AddLine(control.hwnd, true, ToLowerAscii(root.substr(0, 2)));
    control.folderEntries.push_back(root);
  }
  if (control.kind == Kind::ShellCombo && control.directory.size() > 3) {
    selected = static_cast<int>(control.folderEntries.size());
    AddLine(control.hwnd, true, control.directory);
    control.folderEntries.push_back(control.directory);
  }
  SendMessageW(control.hwnd, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void FillFilters(Control& control) {
  const auto filter = control.stored.find("Filter");
  const std::string text = filter == control.stored.end() ? "All files (*.*)|*.*" : filter->second;
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t bar = text.find('|'); ; bar = text.find('|', start)) {
    parts.push_back(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    AddLine(control.hwnd, true, parts[i]);
    control.filterMasks.push_back(parts[i + 1]);
  }
  SendMessageW(control.hwnd, CB_SETCURSEL, 0, 0);
  if (!control.filterMasks.empty()) control.mask = control.filterMasks[0];
}

void DrawTreeImage(HDC dc, int index) {
  RECT box{1, 1, 15, 15};
  RECT all{0, 0, 16, 16};
  FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
  UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
  if (index == 1 || index == 4 || index == 5) state |= DFCS_CHECKED;
  if (index == 2 || index == 3) state |= DFCS_INACTIVE;
  DrawFrameControl(dc, &box, DFC_BUTTON, state);
}

}  // namespace

// -- tree view --------------------------------------------------------------------------------

void Win32TreeView::Clear() {
  Quiet quiet(state_);
  TreeView_DeleteAllItems(hwnd_);
  items_.clear();
  parents_.clear();
}

TreeNodeId Win32TreeView::NodeOf(HTREEITEM item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == item) return static_cast<TreeNodeId>(i);
  return kNoTreeNode;
}

HTREEITEM Win32TreeView::ItemOf(TreeNodeId node) const {
  if (node < 0 || static_cast<size_t>(node) >= items_.size()) return nullptr;
  return items_[static_cast<size_t>(node)];
}

std::vector<TreeNodeId> Win32TreeView::AllNodes() {
  std::vector<TreeNodeId> nodes;
  std::vector<HTREEITEM> pending;
  for (HTREEITEM item = TreeView_GetRoot(hwnd_); item; item = TreeView_GetNextSibling(hwnd_, item))
    pending.push_back(item);
  std::reverse(pending.begin(), pending.end());
  while (!pending.empty()) {
    HTREEITEM item = pending.back();
    pending.pop_back();
    nodes.push_back(NodeOf(item));
    std::vector<HTREEITEM> children;
    for (HTREEITEM child = TreeView_GetChild(hwnd_, item); child; child = TreeView_GetNextSibling(hwnd_, child))
      children.push_back(child);
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
  return nodes;
}

std::vector<TreeNodeId> Win32TreeView::Children(TreeNodeId node) {
  std::vector<TreeNodeId> children;
  HTREEITEM item = ItemOf(node);
  if (item == nullptr) return children;
  for (HTREEITEM child = TreeView_GetChild(hwnd_, item); child; child = TreeView_GetNextSibling(hwnd_, child))
    children.push_back(NodeOf(child));
  return children;
}

std::string Win32TreeView::Text(TreeNodeId node) {
  HTREEITEM item = ItemOf(node);
  if (item == nullptr) return {};
  wchar_t buffer[1024] = {};
  TVITEMW data{};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = buffer;
  data.cchTextMax = 1023;
  SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
  return Ansi(buffer);
}

TreeNodeId Win32TreeView::AddNode(TreeNodeId parent, const std::string& text) {
  std::wstring wide = Wide(text);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent == kNoTreeNode ? TVI_ROOT : ItemOf(parent);
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = wide.data();
  Quiet quiet(state_);
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  if (item == nullptr) return kNoTreeNode;
  items_.push_back(item);
  parents_.push_back(parent);
  return static_cast<TreeNodeId>(items_.size() - 1);
}

void Win32TreeView::SetImages(TreeNodeId node, int imageIndex, int selectedImageIndex) {
  HTREEITEM item = ItemOf(node);
  if (item == nullptr) return;
  if (TreeView_GetImageList(hwnd_, TVSIL_NORMAL) == nullptr) TreeView_SetImageList(hwnd_, TreeImages(state_), TVSIL_NORMAL);
  TVITEMW data{};
  data.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  data.hItem = item;
  data.iImage = imageIndex;
  data.iSelectedImage = selectedImageIndex;
  SendMessageW(hwnd_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&data));
}

void Win32TreeView::SetData(TreeNodeId node, intptr_t value) {
  HTREEITEM item = ItemOf(node);
  if (item == nullptr) return;
  TVITEMW data{};
  data.mask = TVIF_PARAM;
  data.hItem = item;
  data.lParam = static_cast<LPARAM>(value);
  SendMessageW(hwnd_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&data));
}

// -- check list -------------------------------------------------------------------------------

void Win32CheckList::Clear() {
  Quiet quiet(state_);
  ListView_DeleteAllItems(hwnd_);
}

void Win32CheckList::AddItem(const std::string& text, bool checked) {
  Quiet quiet(state_);
  std::wstring wide = Wide(text);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = ListView_GetItemCount(hwnd_);
  item.pszText = wide.data();
  const auto index = static_cast<int>(SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (index >= 0) ListView_SetCheckState(hwnd_, index, checked ? TRUE : FALSE);
}

size_t Win32CheckList::Count() { return static_cast<size_t>(ListView_GetItemCount(hwnd_)); }

std::string Win32CheckList::ItemText(size_t index) {
  wchar_t buffer[1024] = {};
  LVITEMW item{};
  item.iSubItem = 0;
  item.pszText = buffer;
  item.cchTextMax = 1023;
  SendMessageW(hwnd_, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
  return Ansi(buffer);
}

bool Win32CheckList::Checked(size_t index) { return ListView_GetCheckState(hwnd_, static_cast<UINT>(index)) != 0; }

void Win32CheckList::SetChecked(size_t index, bool checked) {
  Quiet quiet(state_);
  ListView_SetCheckState(hwnd_, static_cast<int>(index), checked ? TRUE : FALSE);
}

// -- items and selection ----------------------------------------------------------------------

std::vector<std::string> ReadItems(Control& control) {
  std::vector<std::string> items;
  if (control.hwnd == nullptr) return items;
  if (IsListBox(control.kind)) {
    const auto count = SendMessageW(control.hwnd, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
      items.push_back(ListText(control.hwnd, LB_GETTEXTLEN, LB_GETTEXT, static_cast<WPARAM>(i)));
  } else if (IsComboKind(control.kind)) {
    const auto count = SendMessageW(control.hwnd, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
      items.push_back(ListText(control.hwnd, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<WPARAM>(i)));
  } else if (control.checks) {
    for (size_t i = 0; i < control.checks->Count(); ++i) items.push_back(control.checks->ItemText(i));
  } else if (control.tree) {
    for (TreeNodeId node : control.tree->AllNodes()) items.push_back(control.tree->Text(node));
  } else if (control.kind == Kind::Memo || control.kind == Kind::RichEdit || control.kind == Kind::HtmlViewer) {
    items = SplitLines(WindowText(control.hwnd));
  }
  return items;
}

void WriteItems(State& state, Control& control, const std::vector<std::string>& items) {
  if (control.hwnd == nullptr) return;
  if (IsListBox(control.kind)) {
    Quiet quiet(state);
    SendMessageW(control.hwnd, LB_RESETCONTENT, 0, 0);
    control.folderEntries.clear();
    for (const std::string& item : items) AddLine(control.hwnd, false, item);
  } else if (IsComboKind(control.kind)) {
    Quiet quiet(state);
    const std::string text = WindowText(control.hwnd);
    SendMessageW(control.hwnd, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) AddLine(control.hwnd, true, item);
    if ((GetWindowLongPtrW(control.hwnd, GWL_STYLE) & CBS_DROPDOWNLIST) != CBS_DROPDOWNLIST)
      SetWindowTextAnsi(control.hwnd, text);
  } else if (control.checks) {
    control.checks->Clear();
    for (const std::string& item : items) control.checks->AddItem(item, false);
  } else if (control.tree) {
    control.tree->Clear();
    for (const std::string& item : items) control.tree->AddNode(kNoTreeNode, item);
  } else if (control.kind == Kind::Memo || control.kind == Kind::RichEdit || control.kind == Kind::HtmlViewer) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) text += (i ? "\r\n" : "") + items[i];
    SetWindowTextAnsi(control.hwnd, text);
  }
}

std::vector<bool> ReadSelection(Control& control) {
  std::vector<bool> selection;
  if (control.hwnd == nullptr) return selection;
  if (IsListBox(control.kind)) {
    const auto count = SendMessageW(control.hwnd, LB_GETCOUNT, 0, 0);
    const auto current = SendMessageW(control.hwnd, LB_GETCURSEL, 0, 0);
    const bool multi = IsMultiSelect(control.hwnd);
    for (LRESULT i = 0; i < count; ++i)
      selection.push_back(multi ? SendMessageW(control.hwnd, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0 : i == current);
  } else if (IsComboKind(control.kind)) {
    const auto count = SendMessageW(control.hwnd, CB_GETCOUNT, 0, 0);
    const auto current = SendMessageW(control.hwnd, CB_GETCURSEL, 0, 0);
    for (LRESULT i = 0; i < count; ++i) selection.push_back(i == current);
  } else if (control.checks) {
    for (int i = 0; i < ListView_GetItemCount(control.hwnd); ++i)
      selection.push_back((ListView_GetItemState(control.hwnd, i, LVIS_SELECTED) & LVIS_SELECTED) != 0);
  } else if (control.tree) {
    HTREEITEM selected = TreeView_GetSelection(control.hwnd);
    for (TreeNodeId node : control.tree->AllNodes()) selection.push_back(control.tree->ItemOf(node) == selected);
  }
  return selection;
}

void WriteSelected(State& state, Control& control, size_t index, bool selected) {
  if (control.hwnd == nullptr) return;
  const auto at = static_cast<WPARAM>(index);
  if (IsListBox(control.kind)) {
    Quiet quiet(state);
    if (IsMultiSelect(control.hwnd)) {
      SendMessageW(control.hwnd, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
    } else if (selected) {
      SendMessageW(control.hwnd, LB_SETCURSEL, at, 0);
    } else if (SendMessageW(control.hwnd, LB_GETCURSEL, 0, 0) == static_cast<LRESULT>(index)) {
      SendMessageW(control.hwnd, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    }
  } else if (IsComboKind(control.kind)) {
    Quiet quiet(state);
    if (selected) SendMessageW(control.hwnd, CB_SETCURSEL, at, 0);
    else if (SendMessageW(control.hwnd, CB_GETCURSEL, 0, 0) == static_cast<LRESULT>(index))
      SendMessageW(control.hwnd, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  } else if (control.checks) {
    Quiet quiet(state);
    ListView_SetItemState(control.hwnd, static_cast<int>(index), selected ? (LVIS_SELECTED | LVIS_FOCUSED) : 0,
                          LVIS_SELECTED | LVIS_FOCUSED);
  } else if (control.tree) {
    // The engine's selection of a node is a change like the user's: its handler follows.
    const auto nodes = control.tree->AllNodes();
    if (index < nodes.size() && selected) TreeView_SelectItem(control.hwnd, control.tree->ItemOf(nodes[index]));
    if (index < nodes.size() && !selected) TreeView_SelectItem(control.hwnd, nullptr);
  }
}

void FillFolderControl(State& state, Control& control) {
  if (control.hwnd == nullptr) return;
  Quiet quiet(state);
  const bool combo = IsComboKind(control.kind);
  SendMessageW(control.hwnd, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
  control.folderEntries.clear();
  control.filterMasks.clear();
  switch (control.kind) {
    case Kind::DirectoryListBox:
    case Kind::ShellTree:
      if (!control.directory.empty()) FillFolderTree(control);
      break;
    case Kind::FileListBox:
      if (!control.directory.empty()) FillFileList(control, false);
      break;
    case Kind::ShellList:
      if (!control.directory.empty()) FillFileList(control, true);
      break;
    case Kind::DriveComboBox:
    case Kind::ShellCombo:
      FillDrives(control);
      break;
    case Kind::FilterComboBox:
      FillFilters(control);
      break;
    default:
      break;
  }
}

std::optional<std::string> FolderOfLine(Control& control, int line) {
  if (line < 0 || static_cast<size_t>(line) >= control.folderEntries.size()) return std::nullopt;
  const std::string& path = control.folderEntries[static_cast<size_t>(line)];
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;
  return path;
}

std::string SelectedTreePath(Control& control) {
  if (!control.tree) return {};
  std::vector<std::string> parts;
  for (HTREEITEM item = TreeView_GetSelection(control.hwnd); item; item = TreeView_GetParent(control.hwnd, item))
    parts.push_back(control.tree->Text(control.tree->NodeOf(item)));
  std::string path;
  for (auto part = parts.rbegin(); part != parts.rend(); ++part) path += (path.empty() ? "" : "\\") + *part;
  return path;
}

HIMAGELIST TreeImages(State& state) {
  if (state.treeImages != nullptr) return state.treeImages;
  state.treeImages = ImageList_Create(16, 16, ILC_COLOR32, 6, 0);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  for (int index = 0; index < 6; ++index) {
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DrawTreeImage(dc, index);
    SelectObject(dc, old);
    ImageList_Add(state.treeImages, bitmap, nullptr);
    DeleteObject(bitmap);
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return state.treeImages;
}

}  // namespace quarrix::platform::win32::toolkit
