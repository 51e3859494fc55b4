#include "platform/sim/SimToolkit.h"

#include <algorithm>
#include <stdexcept>

#include "common/AnsiText.h"
#include "platform/ControlClasses.h"
#include "platform/Threads.h"

namespace quarrix::platform::sim {
namespace {

constexpr uint64_t kFirstHandle = 0x20000;  // no real window has these, distinct from the stand-in's
constexpr int kNextTag = 1;
constexpr int kBackTag = 2;
constexpr int kCancelTag = 3;
constexpr int kYes = 6;
// How often the simulated user presses Next on the same dialog before it is plainly stuck.
constexpr int kMaxDefaultRepeats = 50;

ToolkitEvent MakeEvent(EventKind kind, FormId form, const std::string& component) {
  ToolkitEvent event;
  event.kind = kind;
  event.form = form;
  event.component = component;
  return event;
}

bool IsClass(const SimComponent& component, std::initializer_list<const char*> classes) {
  for (const char* name : classes)
    if (EqualsIgnoreCase(component.className, name)) return true;
  return false;
}

bool IsMemo(const SimComponent& c) { return IsClass(c, {"TMemo", "TRichEdit"}); }
bool IsList(const SimComponent& c) { return IsClass(c, {"TListBox", "TComboBox", "TCheckListBox", "TFilterComboBox"}); }
bool IsEdit(const SimComponent& c) { return IsClass(c, {"TEdit", "TMaskEdit", "TComboBox", "TFilterComboBox"}); }
bool IsFolderControl(const SimComponent& c) {
  return IsClass(c, {"TFileListBox", "TDirectoryListBox", "TPTShellTree", "TPTShellList", "TPTShellCombo"});
}
// Graphic controls have no window of their own and take no focus.
bool TakesFocus(const SimComponent& c) {
  return !IsClass(c, {"TLabel", "TImage", "TShape", "TBevel", "TGauge", "TSpeedButton", "TPanel", "TGroupBox",
                      "TTabSheet", "TStaticText", "TProgressBar", "TAnimate", "TRzFormShape", "TVistaGlass"});
}

bool IsBooleanProperty(const std::string& name) {
  for (const char* known : {"Checked", "Enabled", "Visible", "ReadOnly", "Default", "Cancel", "MultiSelect",
                            "Active", "AutoSize", "WordWrap", "Transparent"})
    if (EqualsIgnoreCase(name, known)) return true;
  return false;
}

// "true"/"-1" in any letter case read as True, as the form reader takes identifiers.
std::string BooleanText(const std::string& value) {
  if (EqualsIgnoreCase(value, "true") || value == "-1") return "True";
  if (EqualsIgnoreCase(value, "false") || value == "0") return "False";
  return value;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (end == text.size()) break;
    start = end + 1;
  }
  if (!lines.empty() && lines.back().empty() && (text.back() == '\n')) lines.pop_back();
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
  return text;
}

int ToInt(const std::string& text, int fallback) {
  try {
    size_t used = 0;
    const int value = std::stoi(text, &used);
    return used == text.size() ? value : fallback;
  } catch (const std::exception&) {
    return fallback;
  }
}

std::string ValueText(const FormValue& value) {
  switch (value.kind) {
    case FormValue::Kind::Set: {
      std::string text = "[";
      for (size_t i = 0; i < value.items.size(); ++i) text += (i ? ", " : "") + value.items[i];
      return text + "]";
    }
    case FormValue::Kind::List: return JoinLines(value.items);
    case FormValue::Kind::Collection:
    case FormValue::Kind::Binary: return {};
    default: return value.text;
  }
}

}  // namespace

bool PropertyNameLess::operator()(const std::string& a, const std::string& b) const {
  return ToUpperAscii(a) < ToUpperAscii(b);
}

FormId SimToolkit::CreateForm(const FormObject& object) {
  SimForm form;
  BuildComponent(form, object, "", /*isWindow=*/true);
  // Created hidden whatever the file says; the width and height include the frame.
  SimComponent& window = form.window;
  if (!window.properties.count("Width"))
    window.properties["Width"] = std::to_string(ToInt(window.properties["ClientWidth"], 0) + 16);
  if (!window.properties.count("Height"))
    window.properties["Height"] = std::to_string(ToInt(window.properties["ClientHeight"], 0) + 39);
  const FormId id = nextId_++;
  forms_.emplace(id, std::move(form));
  return id;
}

void SimToolkit::BuildComponent(SimForm& form, const FormObject& object, const std::string& parent, bool isWindow) {
  if (!isWindow && !IsControlClass(object.className))
    throw FormError("unknown control class " + object.className + " of " + object.name, object.line);
  SimComponent component;
  component.name = object.name;
  component.className = object.className;
  component.parent = parent;
  for (const char* name : {"Enabled", "Visible"}) component.properties[name] = "True";
  component.properties["Tag"] = "0";
  if (IsClass(component, {"TRzCheckBox", "TRzRadioButton"})) component.properties["Checked"] = "False";
  if (IsClass(component, {"TEdit", "TMaskEdit", "TMemo", "TRichEdit"})) component.properties["MaxLength"] = "0";
  if (IsClass(component, {"TTreeView"})) component.tree = std::make_unique<SimTreeView>();
  if (IsClass(component, {"TCheckListBox"})) component.checks = std::make_unique<SimCheckList>();
  for (const FormProperty& property : object.properties) ApplyFormProperty(component, property);
  if (!isWindow) {
    for (const SimComponent& existing : form.components)
      if (EqualsIgnoreCase(existing.name, component.name))
        throw FormError("a component named " + component.name + " already exists", object.line);
  }
  const std::string name = component.name;
  if (isWindow)
    form.window = std::move(component);
  else
    form.components.push_back(std::move(component));
  for (const FormObject& child : object.children) BuildComponent(form, child, isWindow ? "" : name, false);
}

void SimToolkit::ApplyFormProperty(SimComponent& component, const FormProperty& property) {
  const bool lines = EqualsIgnoreCase(property.name, "Items.Strings") || EqualsIgnoreCase(property.name, "Lines.Strings");
  if (lines) {
    if (property.value.kind != FormValue::Kind::List)
      throw FormError(property.name + " of " + component.name + " must be a list of strings", property.line);
    if (component.checks) {
      for (const std::string& item : property.value.items) component.checks->AddItem(item, false);
    } else {
      component.items = property.value.items;
      component.selection.assign(component.items.size(), false);
    }
    return;
  }
  std::string text = ValueText(property.value);
  if (IsBooleanProperty(property.name)) text = BooleanText(text);
  component.properties[property.name] = text;
  if (EqualsIgnoreCase(property.name, "ItemIndex")) SelectIndex(component, ToInt(text, -1));
}

void SimToolkit::DestroyForm(FormId form) {
  if (SimForm* found = Find(form))
    if (SimForm* owner = Find(found->modalOwner)) owner->disabledByModal = false;
  forms_.erase(form);
  std::erase(shownOrder_, form);
  taskbar.erase(form);
}

SimForm* SimToolkit::Find(FormId form) {
  auto found = forms_.find(form);
  return found == forms_.end() ? nullptr : &found->second;
}

const SimForm* SimToolkit::FormOf(FormId form) const {
  auto found = forms_.find(form);
  return found == forms_.end() ? nullptr : &found->second;
}

SimComponent* SimToolkit::Find(FormId form, const std::string& component) {
  SimForm* found = Find(form);
  if (found == nullptr) return nullptr;
  if (component.empty()) return &found->window;
  for (SimComponent& candidate : found->components)
    if (EqualsIgnoreCase(candidate.name, component)) return &candidate;
  return nullptr;
}

std::vector<ComponentInfo> SimToolkit::Components(FormId form) {
  std::vector<ComponentInfo> list;
  if (SimForm* found = Find(form))
    for (const SimComponent& c : found->components) list.push_back({c.name, c.className, c.parent});
  return list;
}

std::optional<std::string> SimToolkit::GetProperty(FormId form, const std::string& name, const std::string& property) {
  SimComponent* component = Find(form, name);
  if (component == nullptr) return std::nullopt;
  if (name.empty() && EqualsIgnoreCase(property, "Visible")) return Find(form)->visible ? "True" : "False";
  if (IsMemo(*component) && EqualsIgnoreCase(property, "Text")) return JoinLines(component->items);
  if (IsList(*component) && EqualsIgnoreCase(property, "ItemIndex")) {
    const std::vector<bool> selection = Selection(form, name);
    for (size_t i = 0; i < selection.size(); ++i)
      if (selection[i]) return std::to_string(i);
    return "-1";
  }
  if (component->tree && EqualsIgnoreCase(property, "Selected")) return std::to_string(component->selectedNode);
  if (EqualsIgnoreCase(property, "Items.Count") || EqualsIgnoreCase(property, "Lines.Count"))
    return std::to_string(Items(form, name).size());
  auto found = component->properties.find(property);
  if (found == component->properties.end()) return std::nullopt;
  return found->second;
}

bool SimToolkit::SetProperty(FormId form, const std::string& name, const std::string& property, const std::string& value) {
  SimComponent* component = Find(form, name);
  if (component == nullptr || property.empty()) return false;
  if (name.empty() && EqualsIgnoreCase(property, "Visible")) {
    BooleanText(value) == "True" ? Show(form) : Hide(form);
    return true;
  }
  return SetPlain(form, *component, property, value);
}

// Sets a property as the control would take it, with the events a real control raises when its
// value changes under program control.
bool SimToolkit::SetPlain(FormId form, SimComponent& component, const std::string& property, const std::string& value) {
  const std::string name = component.name;
  const std::string text = IsBooleanProperty(property) ? BooleanText(value) : value;
  if (IsMemo(component) && EqualsIgnoreCase(property, "Text")) {
    const std::vector<std::string> lines = SplitLines(value);
    if (lines == component.items) return true;
    component.items = lines;
    Fire(MakeEvent(EventKind::Change, form, name));
    return true;
  }
  if (IsList(component) && EqualsIgnoreCase(property, "ItemIndex")) {
    SelectIndex(component, ToInt(value, -1));
    if (IsClass(component, {"TComboBox", "TFilterComboBox"})) {
      const int index = ToInt(value, -1);
      const std::vector<std::string> items = Items(form, name);
      if (index >= 0 && static_cast<size_t>(index) < items.size()) component.properties["Text"] = items[index];
    }
    return true;
  }
  if (component.tree && EqualsIgnoreCase(property, "Selected")) {
    const int node = ToInt(value, kNoTreeNode);
    if (node < kNoTreeNode || node >= static_cast<int>(component.tree->nodes.size())) return false;
    component.selectedNode = node;
    Fire(MakeEvent(EventKind::Change, form, name));
    return true;
  }
  std::string& slot = component.properties[property];
  const bool changed = slot != text;
  slot = text;
  if (!changed) return true;
  if (EqualsIgnoreCase(property, "Text") && IsEdit(component)) {
    Fire(MakeEvent(EventKind::Change, form, name));
  } else if (EqualsIgnoreCase(property, "Position") && IsClass(component, {"TTrackBar"})) {
    Fire(MakeEvent(EventKind::Change, form, name));
  } else if (EqualsIgnoreCase(property, "Checked") && IsClass(component, {"TRzCheckBox"})) {
    Fire(MakeEvent(EventKind::Click, form, name));
  } else if (EqualsIgnoreCase(property, "Checked") && IsClass(component, {"TRzRadioButton"}) && text == "True") {
    // Checking one radio button of a group clears the others.
    for (SimComponent& sibling : Find(form)->components)
      if (&sibling != &component && IsClass(sibling, {"TRzRadioButton"}) && sibling.parent == component.parent)
        sibling.properties["Checked"] = "False";
    Fire(MakeEvent(EventKind::Click, form, name));
  } else if ((EqualsIgnoreCase(property, "Directory") || EqualsIgnoreCase(property, "Drive") ||
              EqualsIgnoreCase(property, "FileName")) && (IsFolderControl(component) || IsClass(component, {"TDriveComboBox"}))) {
    Fire(MakeEvent(EventKind::Change, form, name));
    if (IsClass(component, {"TPTShellList"}) && EqualsIgnoreCase(property, "Directory"))
      Fire(MakeEvent(EventKind::FolderChanged, form, name));
  }
  return true;
}

bool SimToolkit::SelectIndex(SimComponent& component, int index) {
  size_t count = component.checks ? component.checks->Count() : component.items.size();
  component.selection.assign(count, false);
  if (index < 0 || static_cast<size_t>(index) >= count) return false;
  component.selection[static_cast<size_t>(index)] = true;
  return true;
}

std::vector<std::string> SimToolkit::Items(FormId form, const std::string& name) {
  SimComponent* component = Find(form, name);
  if (component == nullptr) return {};
  if (component->checks) {
    std::vector<std::string> texts;
    for (const SimCheckItem& item : component->checks->items) texts.push_back(item.text);
    return texts;
  }
  return component->items;
}

void SimToolkit::SetItems(FormId form, const std::string& name, const std::vector<std::string>& items) {
  SimComponent* component = Find(form, name);
  if (component == nullptr) return;
  if (component->checks) {
    component->checks->Clear();
    for (const std::string& item : items) component->checks->AddItem(item, false);
  } else {
    component->items = items;
  }
  component->selection.assign(items.size(), false);
}

std::vector<bool> SimToolkit::Selection(FormId form, const std::string& name) {
  SimComponent* component = Find(form, name);
  if (component == nullptr) return {};
  const size_t count = component->checks ? component->checks->Count() : component->items.size();
  component->selection.resize(count, false);
  return component->selection;
}

void SimToolkit::SetSelected(FormId form, const std::string& name, size_t index, bool selected) {
  SimComponent* component = Find(form, name);
  if (component == nullptr) return;
  Selection(form, name);
  if (index >= component->selection.size()) return;
  if (selected && BooleanText(component->properties["MultiSelect"]) != "True")
    component->selection.assign(component->selection.size(), false);
  component->selection[index] = selected;
}

bool SimToolkit::LoadFile(FormId form, const std::string& name, const std::string& path) {
  SimComponent* component = Find(form, name);
  if (component == nullptr) return false;
  std::optional<std::string> content = files_.ReadFile(path);
  if (!content) return false;
  component->properties["FileName"] = path;
  if (IsClass(*component, {"THTMLViewer"})) {
    component->properties["Document"] = path;
    component->properties["Text"] = *content;
  } else {
    component->items = SplitLines(*content);
    component->scrolledToEnd = false;
  }
  return true;
}

TreeView* SimToolkit::TreeOf(FormId form, const std::string& name) {
  SimComponent* component = Find(form, name);
  return component == nullptr ? nullptr : component->tree.get();
}

CheckList* SimToolkit::CheckListOf(FormId form, const std::string& name) {
  SimComponent* component = Find(form, name);
  return component == nullptr ? nullptr : component->checks.get();
}

bool SimToolkit::HasVerticalScrollBar(FormId form, const std::string& name) {
  SimComponent* component = Find(form, name);
  if (component == nullptr) return false;
  const std::string bars = component->properties["ScrollBars"];
  return EqualsIgnoreCase(bars, "ssVertical") || EqualsIgnoreCase(bars, "ssBoth");
}

bool SimToolkit::ScrolledToEnd(FormId form, const std::string& name) {
  SimComponent* component = Find(form, name);
  return component != nullptr && component->scrolledToEnd;
}

void SimToolkit::Show(FormId form) {
  SimForm* found = Find(form);
  if (found == nullptr) return;
  const bool wasVisible = found->visible;
  found->visible = true;
  std::erase(shownOrder_, form);
  shownOrder_.push_back(form);
  if (wasVisible) return;
  Log("shown: " + found->window.name + " \"" + found->window.properties["Caption"] + "\"");
  for (const std::string& line : BoundControls(form)) Log("  " + line);
}

void SimToolkit::Hide(FormId form) {
  SimForm* found = Find(form);
  if (found == nullptr) return;
  if (found->visible) Log("hidden: " + found->window.name);
  found->visible = false;
  std::erase(shownOrder_, form);
  if (lastDefaultForm_ == form) lastDefaultForm_ = kNoForm;
}

bool SimToolkit::IsVisible(FormId form) {
  SimForm* found = Find(form);
  return found != nullptr && found->visible;
}

bool SimToolkit::Focus(FormId form, const std::string& name) {
  SimForm* found = Find(form);
  if (found == nullptr) return false;
  if (!name.empty()) {
    SimComponent* component = FindUsable(form, name);
    if (component == nullptr || !TakesFocus(*component)) return false;
  }
  found->focused = name;
  return true;
}

Bounds SimToolkit::BoundsOf(FormId form) {
  SimComponent* window = Find(form, "");
  if (window == nullptr) return {};
  return {ToInt(window->properties["Left"], 0), ToInt(window->properties["Top"], 0),
          ToInt(window->properties["Width"], 0), ToInt(window->properties["Height"], 0)};
}

void SimToolkit::MoveTo(FormId form, int left, int top) {
  SimComponent* window = Find(form, "");
  if (window == nullptr) return;
  window->properties["Left"] = std::to_string(left);
  window->properties["Top"] = std::to_string(top);
}

void SimToolkit::CenterOnScreen(FormId form) {
  const Bounds bounds = BoundsOf(form);
  const DisplayReport screen = system_.Display();
  MoveTo(form, (screen.width - bounds.width) / 2, (screen.height - bounds.height) / 2);
}

void SimToolkit::Restore(FormId form) { Show(form); }

void SimToolkit::SetModalOwner(FormId form, FormId owner) {
  SimForm* found = Find(form);
  if (found == nullptr) return;
  if (SimForm* previous = Find(found->modalOwner)) previous->disabledByModal = false;
  found->modalOwner = kNoForm;
  SimForm* over = owner == form ? nullptr : Find(owner);
  if (over == nullptr) return;
  found->modalOwner = owner;
  over->disabledByModal = true;
}

uint64_t SimToolkit::NativeHandle(FormId form) { return Find(form) == nullptr ? 0 : kFirstHandle + form * 4; }

void SimToolkit::Fire(ToolkitEvent event) {
  if (!sink_ || (event.form != kNoForm && Find(event.form) == nullptr)) return;
  sink_(event);
}

void SimToolkit::Log(const std::string& line) {
  log.push_back(line);
  if (onLog) onLog(line);
}

std::map<int, SimTimer>* SimToolkit::TimersOf(FormId form) {
  if (form == kNoForm) return &hostTimers_;
  SimForm* found = Find(form);
  return found == nullptr ? nullptr : &found->timers;
}

void SimToolkit::StartTimer(FormId form, int timerId, uint32_t intervalMs) {
  if (auto* timers = TimersOf(form)) (*timers)[timerId] = SimTimer{intervalMs, clock_.TickCount()};
}

void SimToolkit::StopTimer(FormId form, int timerId) {
  if (auto* timers = TimersOf(form)) timers->erase(timerId);
}

std::vector<std::pair<FormId, std::map<int, SimTimer>*>> SimToolkit::AllTimers() {
  std::vector<std::pair<FormId, std::map<int, SimTimer>*>> all{{kNoForm, &hostTimers_}};
  for (auto& [id, form] : forms_) all.emplace_back(id, &form.timers);
  return all;
}

void SimToolkit::FireDueTimers() {
  const uint32_t now = clock_.TickCount();
  std::vector<std::pair<FormId, int>> due;
  for (auto& [form, timers] : AllTimers())
    for (auto& [timerId, timer] : *timers)
      if (now - timer.startedAt >= timer.intervalMs) {
        timer.startedAt = now;
        due.emplace_back(form, timerId);
      }
  // Handlers may stop timers or destroy forms; each is looked up again before it fires.
  for (const auto& [form, timerId] : due) {
    auto* timers = TimersOf(form);
    if (timers == nullptr || timers->count(timerId) == 0) continue;
    ToolkitEvent event = MakeEvent(EventKind::Timer, form, "");
    event.timerId = timerId;
    Fire(event);
  }
}

std::optional<uint32_t> SimToolkit::MillisecondsToNextTimer() {
  const uint32_t now = clock_.TickCount();
  std::optional<uint32_t> nearest;
  for (auto& [form, timers] : AllTimers())
    for (auto& [timerId, timer] : *timers) {
      const uint32_t elapsed = now - timer.startedAt;
      const uint32_t left = elapsed >= timer.intervalMs ? 0 : timer.intervalMs - elapsed;
      if (!nearest || left < *nearest) nearest = left;
    }
  return nearest;
}

void SimToolkit::ProcessPendingMessages() {
  ObserveTaskbar();
  FireDueTimers();
}

bool SimToolkit::ProcessOneMessage(uint32_t maxWaitMs) {
  ObserveTaskbar();
  if (MillisecondsToNextTimer() == 0u) {
    FireDueTimers();
    return true;
  }
  if (maxWaitMs == kWaitForever) {
    // Only the user can end a wait without limit: time stands still while the user reads.
    ActAsUser();
    return true;
  }
  const std::optional<uint32_t> next = MillisecondsToNextTimer();
  if (next && *next <= maxWaitMs) {
    clock_.Advance(*next);
    FireDueTimers();
    return true;
  }
  clock_.Advance(maxWaitMs);
  return false;
}

FormId SimToolkit::TopForm() const { return shownOrder_.empty() ? kNoForm : shownOrder_.back(); }

void SimToolkit::ActAsUser() {
  const FormId form = TopForm();
  if (form == kNoForm) throw std::runtime_error("the simulated user waits, but no dialog is shown");
  const std::string dialog = Find(form)->window.name;
  std::string answer;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
    lastDefaultForm_ = kNoForm;
  } else if (pressNextWhenDone) {
    answer = "NEXT";
    defaultRepeats_ = lastDefaultForm_ == form ? defaultRepeats_ + 1 : 0;
    lastDefaultForm_ = form;
    if (defaultRepeats_ >= kMaxDefaultRepeats)
      throw std::runtime_error("dialog " + dialog + " stays up however often Next is pressed");
  } else {
    throw std::runtime_error("dialog " + dialog + " waits for an answer, and none is left");
  }
  const size_t equals = answer.find('=');
  if (equals != std::string::npos && equals > 0) {
    const std::string component = answer.substr(0, equals);
    const std::string problem = SetValueAsUser(form, component, answer.substr(equals + 1));
    if (!problem.empty()) throw std::runtime_error("answer " + answer + " on dialog " + dialog + ": " + problem);
    Log("  user: " + answer);
    return;
  }
  if (EqualsIgnoreCase(answer, "WAIT")) return WaitWhileShown(form);
  if (EqualsIgnoreCase(answer, "NEXT") && PressButtonWithTag(form, kNextTag, answer)) return;
  if (EqualsIgnoreCase(answer, "BACK") && PressButtonWithTag(form, kBackTag, answer)) return;
  if (EqualsIgnoreCase(answer, "CANCEL")) {
    // The user who presses Cancel means it: the confirmation is answered Yes.
    ui_.styledAnswers.push_front(kYes);
    if (PressButtonWithTag(form, kCancelTag, answer)) return;
    ui_.styledAnswers.pop_front();
  }
  // A form without navigation buttons: Next and OK take its default button, Cancel its cancel
  // button, as Enter and Escape would.
  const bool accepts = EqualsIgnoreCase(answer, "NEXT") || EqualsIgnoreCase(answer, "OK");
  if ((accepts || EqualsIgnoreCase(answer, "CANCEL")) && PressMarkedButton(form, accepts ? "Default" : "Cancel", answer))
    return;
  const bool navigation = EqualsIgnoreCase(answer, "NEXT") || EqualsIgnoreCase(answer, "BACK") ||
                          EqualsIgnoreCase(answer, "CANCEL") || EqualsIgnoreCase(answer, "OK");
  if (!navigation && Click(form, answer)) {
    Log("  user: clicks " + answer);
    return;
  }
  throw std::runtime_error("dialog " + dialog + " has no enabled " +
                           (navigation ? ToUpperAscii(answer) + " button" : "control named " + answer));
}

bool SimToolkit::PressMarkedButton(FormId form, const char* mark, const std::string& answer) {
  SimForm* found = Find(form);
  for (const SimComponent& component : found->components) {
    if (!IsClass(component, {"TButton", "TBitBtn"})) continue;
    auto marked = component.properties.find(mark);
    if (marked == component.properties.end() || marked->second != "True") continue;
    const std::string name = component.name;
    if (!Click(form, name)) continue;
    Log("  user: " + ToUpperAscii(answer) + " (" + name + ")");
    return true;
  }
  return false;
}

// The user leaves the form alone: time passes, timer by timer, until it goes away.
void SimToolkit::WaitWhileShown(FormId form) {
  constexpr uint32_t kLongestWaitMs = 24u * 60 * 60 * 1000;
  Log("  user: waits");
  uint32_t waited = 0;
  while (IsVisible(form)) {
    const std::optional<uint32_t> next = MillisecondsToNextTimer();
    if (!next || waited + *next > kLongestWaitMs)
      throw std::runtime_error("dialog " + Find(form)->window.name + " stays up however long the user waits");
    clock_.Advance(*next);
    waited += *next;
    FireDueTimers();
  }
}

bool SimToolkit::PressButtonWithTag(FormId form, int tag, const std::string& answer) {
  SimForm* found = Find(form);
  for (const SimComponent& component : found->components) {
    // Only these kinds navigate by their tag; on a list or tree, tag 1 means the component list.
    if (!IsClass(component, {"TButton", "TBitBtn", "TSpeedButton", "TRzBmpButton", "TLabel", "TImage"})) continue;
    if (ToInt(component.properties.at("Tag"), 0) != tag) continue;
    const std::string name = component.name;
    if (!Click(form, name)) continue;
    Log("  user: " + ToUpperAscii(answer) + " (" + name + ")");
    return true;
  }
  return false;
}

SimComponent* SimToolkit::FindUsable(FormId form, const std::string& name) {
  SimComponent* component = Find(form, name);
  if (component == nullptr || name.empty()) return component;
  // A window under a modal form takes no input.
  if (Find(form)->disabledByModal) return nullptr;
  // A control is usable while it and every control it sits on are enabled and visible.
  for (SimComponent* at = component; at != nullptr; at = at->parent.empty() ? nullptr : Find(form, at->parent))
    if (at->properties["Enabled"] != "True" || at->properties["Visible"] != "True") return nullptr;
  return component;
}

bool SimToolkit::Click(FormId form, const std::string& name) {
  SimComponent* component = FindUsable(form, name);
  if (component == nullptr || name.empty()) return false;
  if (IsClass(*component, {"TRzCheckBox"}))
    return SetPlain(form, *component, "Checked", component->properties["Checked"] == "True" ? "False" : "True");
  if (IsClass(*component, {"TRzRadioButton"})) {
    if (component->properties["Checked"] != "True") return SetPlain(form, *component, "Checked", "True");
    Fire(MakeEvent(EventKind::Click, form, name));
    return true;
  }
  if (IsClass(*component, {"TShape"})) {
    Fire(MakeEvent(EventKind::MouseUp, form, name));
    return true;
  }
  if (IsEdit(*component) || IsMemo(*component) || component->tree || IsClass(*component, {"TTrackBar"})) return false;
  Fire(MakeEvent(EventKind::Click, form, name));
  return true;
}

bool SimToolkit::TypeText(FormId form, const std::string& name, const std::string& text) {
  SimComponent* component = FindUsable(form, name);
  if (component == nullptr || !(IsEdit(*component) || IsMemo(*component))) return false;
  if (component->properties["ReadOnly"] == "True") return false;
  if (IsClass(*component, {"TComboBox"}) && EqualsIgnoreCase(component->properties["Style"], "csDropDownList"))
    return false;
  SetPlain(form, *component, "Text", text);
  return true;
}

bool SimToolkit::SelectItem(FormId form, const std::string& name, size_t index) {
  SimComponent* component = FindUsable(form, name);
  if (component == nullptr || !IsList(*component)) return false;
  const std::vector<std::string> items = Items(form, name);
  if (index >= items.size()) return false;
  if (IsClass(*component, {"TComboBox", "TFilterComboBox"})) {
    SelectIndex(*component, static_cast<int>(index));
    SetPlain(form, *component, "Text", items[index]);
    if (!IsEdit(*component)) return true;
    Fire(MakeEvent(EventKind::Change, form, name));
  } else if (BooleanText(component->properties["MultiSelect"]) == "True") {
    Selection(form, name);
    component->selection[index] = !component->selection[index];
  } else {
    SelectIndex(*component, static_cast<int>(index));
  }
  Fire(MakeEvent(EventKind::Click, form, name));
  return true;
}

bool SimToolkit::ToggleCheck(FormId form, const std::string& name, size_t index) {
  SimComponent* component = FindUsable(form, name);
  if (component == nullptr || !component->checks || index >= component->checks->Count()) return false;
  component->checks->SetChecked(index, !component->checks->Checked(index));
  SelectIndex(*component, static_cast<int>(index));
  Fire(MakeEvent(EventKind::ClickCheck, form, name));
  return true;
}

bool SimToolkit::SelectNode(FormId form, const std::string& name, const std::string& path) {
  SimComponent* component = FindUsable(form, name);
  if (component == nullptr || !component->tree) return false;
  const TreeNodeId node = component->tree->Find(path);
  if (node == kNoTreeNode) return false;
  return SetPlain(form, *component, "Selected", std::to_string(node));
}

bool SimToolkit::ScrollToEnd(FormId form, const std::string& name) {
  SimComponent* component = FindUsable(form, name);
  if (component == nullptr || !IsMemo(*component)) return false;
  component->scrolledToEnd = true;
  Fire(MakeEvent(EventKind::Scroll, form, name));
  return true;
}

bool SimToolkit::ChooseFolder(FormId form, const std::string& name, const std::string& folder) {
  SimComponent* component = FindUsable(form, name);
  if (component == nullptr) return false;
  if (IsClass(*component, {"TDriveComboBox"})) return !folder.empty() && SetPlain(form, *component, "Drive", folder.substr(0, 1));
  if (!IsFolderControl(*component)) return false;
  return SetPlain(form, *component, "Directory", folder);
}

bool SimToolkit::PressKey(FormId form, const std::string& name, int virtualKey) {
  if (FindUsable(form, name) == nullptr) return false;
  ToolkitEvent event = MakeEvent(EventKind::KeyUp, form, name);
  event.key = virtualKey;
  Fire(event);
  return true;
}

bool SimToolkit::TryToClose(FormId form) {
  if (Find(form) == nullptr) return false;
  ToolkitEvent event = MakeEvent(EventKind::CloseQuery, form, "");
  if (sink_) sink_(event);
  if (event.handled) Hide(form);
  return event.handled;
}

void SimToolkit::ClickTrayIcon() {
  if (trayShown) Fire(MakeEvent(EventKind::TrayClick, kNoForm, ""));
}

std::string SimToolkit::SetValueAsUser(FormId form, const std::string& name, const std::string& value) {
  SimComponent* component = Find(form, name);
  if (component == nullptr || name.empty()) return "no such control";
  if (FindUsable(form, name) == nullptr) return "the control is disabled or hidden";
  if (IsClass(*component, {"TRzCheckBox", "TRzRadioButton"})) {
    const bool wanted = EqualsIgnoreCase(value, "TRUE") || value == "-1" || value == "1";
    if ((component->properties["Checked"] == "True") != wanted && !Click(form, name)) return "cannot be clicked";
    if (!wanted && IsClass(*component, {"TRzRadioButton"}) && component->properties["Checked"] == "True")
      return "a radio button is cleared by choosing another one";
    return {};
  }
  if (IsList(*component) && !component->checks) {
    const std::vector<std::string> items = Items(form, name);
    for (size_t i = 0; i < items.size(); ++i)
      if (EqualsIgnoreCase(items[i], value)) return SelectItem(form, name, i) ? "" : "cannot be chosen";
    if (IsEdit(*component) && TypeText(form, name, value)) return {};
    return "no item " + value;
  }
  if (component->checks) {
    // The checked items, one a line (or separated by "|").
    std::vector<std::string> wanted = SplitLines(ReplaceAll(value, "|", "\n"));
    for (size_t i = 0; i < component->checks->Count(); ++i) {
      const bool check = std::any_of(wanted.begin(), wanted.end(),
                                     [&](const std::string& w) { return EqualsIgnoreCase(w, component->checks->ItemText(i)); });
      if (check != component->checks->Checked(i)) ToggleCheck(form, name, i);
    }
    return {};
  }
  if (IsEdit(*component) || IsMemo(*component)) return TypeText(form, name, value) ? "" : "the text is read-only";
  if (IsClass(*component, {"TTrackBar"})) {
    SetPlain(form, *component, "Position", value);
    return {};
  }
  if (component->tree) return SelectNode(form, name, value) ? "" : "no node " + value;
  if (IsFolderControl(*component) || IsClass(*component, {"TDriveComboBox"}))
    return ChooseFolder(form, name, value) ? "" : "cannot go there";
  return "a " + component->className + " takes no value";
}

std::vector<std::string> SimToolkit::BoundControls(FormId form) {
  std::vector<std::string> lines;
  SimForm* found = Find(form);
  if (found == nullptr) return lines;
  for (const SimComponent& component : found->components) {
    auto hint = component.properties.find("Hint");
    if (hint == component.properties.end() || hint->second.empty()) continue;
    std::string value;
    if (IsClass(component, {"TRzCheckBox", "TRzRadioButton"})) {
      value = component.properties.at("Checked");
    } else if (component.checks) {
      for (const SimCheckItem& item : component.checks->items)
        if (item.checked) value += (value.empty() ? "" : "|") + item.text;
    } else if (IsMemo(component)) {
      value = JoinLines(component.items);
    } else if (IsClass(component, {"TListBox"})) {
      for (size_t i = 0; i < component.items.size() && i < component.selection.size(); ++i)
        if (component.selection[i]) value += (value.empty() ? "" : "|") + component.items[i];
    } else {
      for (const char* property : {"Text", "Position", "Directory", "Drive", "Caption"}) {
        auto at = component.properties.find(property);
        if (at != component.properties.end()) {
          value = at->second;
          break;
        }
      }
    }
    lines.push_back(component.name + " (" + component.className + ", " + hint->second + ") = " + value);
  }
  return lines;
}

namespace {

const char* StateName(TaskbarState state) {
  switch (state) {
    case TaskbarState::None: return "no progress";
    case TaskbarState::Indeterminate: return "marquee";
    case TaskbarState::Normal: return "normal";
    case TaskbarState::Error: return "error";
    case TaskbarState::Paused: return "paused";
  }
  return "?";
}

const char* IconName(BalloonIcon icon) {
  switch (icon) {
    case BalloonIcon::Information: return "information";
    case BalloonIcon::Warning: return "warning";
    case BalloonIcon::Error: return "error";
  }
  return "?";
}

}  // namespace

void SimToolkit::ShowTrayIcon(const std::string& hint) {
  if (!trayShown || trayHint != hint) shellLog.push_back("tray icon: " + hint);
  trayShown = true;
  trayHint = hint;
}

void SimToolkit::HideTrayIcon() {
  if (trayShown) shellLog.push_back("tray icon removed");
  trayShown = false;
}

void SimToolkit::ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon, uint32_t timeoutMs) {
  balloons.push_back({title, text, icon, timeoutMs});
  shellLog.push_back("balloon (" + std::string(IconName(icon)) + ", " + std::to_string(timeoutMs) + " ms): [" + title +
                     "] " + text);
}

void SimToolkit::ObserveTaskbar() {
  if (std::this_thread::get_id() != mainThread_) return;
  for (auto& [form, button] : taskbar) {
    if (button.state == button.seen) continue;
    button.seen = button.state;
    shellLog.push_back("taskbar \"" + button.window + "\": " + StateName(button.state));
  }
}

bool SimToolkit::HasTaskbarProgress() {
  const WindowsVersion version = system_.Version();
  return taskbarAvailable && (version.major > 6 || (version.major == 6 && version.minor >= 1));
}

bool SimToolkit::SetTaskbarState(FormId form, TaskbarState state) {
  SimForm* found = Find(form);
  if (!HasTaskbarProgress() || found == nullptr) return false;
  taskbar[form].window = found->window.properties["Caption"];
  taskbar[form].state = state;
  return true;
}

bool SimToolkit::SetTaskbarProgress(FormId form, uint64_t completed, uint64_t total) {
  if (!HasTaskbarProgress() || Find(form) == nullptr) return false;
  taskbar[form].completed = completed;
  taskbar[form].total = total;
  return true;
}

bool SimToolkit::SetTaskbarOverlay(FormId form, bool on, const std::string& description) {
  SimForm* found = Find(form);
  if (!HasTaskbarProgress() || found == nullptr) return false;
  SimTaskbarButton& button = taskbar[form];
  button.window = found->window.properties["Caption"];
  if (button.overlay != on) shellLog.push_back("taskbar \"" + button.window + "\": overlay " + (on ? "on: " + description : "off"));
  button.overlay = on;
  button.overlayDescription = on ? description : "";
  return true;
}

std::optional<size_t> SimToolkit::ShowPopupMenu(const std::vector<std::string>& captions, int, int) {
  popupsShown.push_back(captions);
  if (popupAnswers.empty()) return std::nullopt;
  std::optional<size_t> answer = popupAnswers.front();
  popupAnswers.pop_front();
  return answer;
}

void SimToolkit::CursorPosition(int& screenX, int& screenY) {
  screenX = cursorX;
  screenY = cursorY;
}

}  // namespace quarrix::platform::sim
