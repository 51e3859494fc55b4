#include "ui/BuiltInForm.h"

#include <stdexcept>

#include "common/IntegerSyntax.h"
#include "platform/Threads.h"
#include "ui/FormParser.h"

namespace quarrix::ui {
namespace {

constexpr int kFormTimerId = 7;
constexpr int kMargin = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonGap = 6;

constexpr std::string_view kFrame = R"(
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  Position = poScreenCenter
  PixelsPerInch = 96
  TextHeight = 13
)";

std::string ButtonText(const ClosingButton& button, const char* mark, int left, int top, int tabOrder) {
  return "  object " + std::string(button.name) + ": TBitBtn\n    Left = " + std::to_string(left) +
         "\n    Top = " + std::to_string(top) + "\n    Width = " + std::to_string(kButtonWidth) +
         "\n    Height = 25\n    " + mark + " = True\n    ModalResult = " + std::to_string(button.modalResult) +
         "\n    TabOrder = " + std::to_string(tabOrder) + "\n  end\n";
}

void CollectModalResults(const platform::FormObject& object, std::map<std::string, int>& results) {
  for (const platform::FormObject& child : object.children) {
    if (const platform::FormProperty* property = child.Find("ModalResult"))
      if (std::optional<int32_t> value = ParseScriptInteger(property->value.text); value && *value != 0)
        results[ToUpperAscii(child.name)] = *value;
    CollectModalResults(child, results);
  }
}

// Hands the toolkit's events back to whoever had them when it ends.
class SinkScope {
 public:
  SinkScope(platform::Toolkit& toolkit, platform::FormId form, std::function<void(platform::ToolkitEvent&)> own)
      : toolkit_(toolkit), previous_(toolkit.EventSink()) {
    toolkit_.SetEventSink([this, form, own = std::move(own)](platform::ToolkitEvent& event) {
      if (event.form == form) own(event);
      else if (previous_) previous_(event);
    });
  }
  ~SinkScope() { toolkit_.SetEventSink(previous_); }
  SinkScope(const SinkScope&) = delete;
  SinkScope& operator=(const SinkScope&) = delete;

 private:
  platform::Toolkit& toolkit_;
  std::function<void(platform::ToolkitEvent&)> previous_;
};

}  // namespace

std::string BuiltInFormText(std::string_view objectLine, int clientWidth, int clientHeight, std::string_view body) {
  return std::string(objectLine) + std::string(kFrame) + "  ClientWidth = " + std::to_string(clientWidth) +
         "\n  ClientHeight = " + std::to_string(clientHeight) + "\n" + std::string(body) + "end\n";
}

std::string ClosingButtonsText(ClosingButton accept, ClosingButton cancel, int clientWidth, int top, int firstTabOrder) {
  const int cancelLeft = clientWidth - kMargin - kButtonWidth;
  return ButtonText(accept, "Default", cancelLeft - kButtonGap - kButtonWidth, top, firstTabOrder) +
         ButtonText(cancel, "Cancel", cancelLeft, top, firstTabOrder + 1);
}

BuiltInForm::BuiltInForm(Session& session, std::string_view dialogText, const std::string& name)
    : session_(session), toolkit_(session.platform.toolkit) {
  const platform::FormObject description = ParseForm(dialogText, name);
  CollectModalResults(description, modalResults_);
  try {
    form_ = toolkit_.CreateForm(description);
  } catch (const platform::FormError& error) {
    throw std::runtime_error(name + " line " + std::to_string(error.line) + ": " + error.what());
  }
}

BuiltInForm::~BuiltInForm() { toolkit_.DestroyForm(form_); }

void BuiltInForm::TextFromMessage(const std::string& component, int slot, const std::string& property) {
  texts_.push_back(MessageText{component, property, slot});
}

void BuiltInForm::OnTimer(uint32_t intervalMs, std::function<std::optional<int>()> handler) {
  timerMs_ = intervalMs;
  onTimer_ = std::move(handler);
}

int BuiltInForm::ShowModal() {
  for (const MessageText& text : texts_)
    toolkit_.SetProperty(form_, text.component, text.property, session_.messages.Text(text.slot));
  result_.reset();
  SinkScope sink(toolkit_, form_, [this](platform::ToolkitEvent& event) { OnEvent(event); });
  const platform::FormId owner = toolkit_.OwnerForm();
  toolkit_.CenterOnScreen(form_);
  toolkit_.SetModalOwner(form_, owner);
  toolkit_.SetOwnerForm(form_);
  toolkit_.Show(form_);
  toolkit_.Focus(form_, "");
  if (onTimer_) toolkit_.StartTimer(form_, kFormTimerId, timerMs_);
  while (!result_) toolkit_.ProcessOneMessage(platform::kWaitForever);
  toolkit_.SetOwnerForm(owner);
  if (owner != platform::kNoForm && toolkit_.IsVisible(owner)) toolkit_.Focus(owner, "");
  return *result_;
}

void BuiltInForm::OnEvent(platform::ToolkitEvent& event) {
  if (result_) return;
  switch (event.kind) {
    case platform::EventKind::Click: {
      auto found = modalResults_.find(ToUpperAscii(event.component));
      if (found != modalResults_.end()) Decide(found->second);
      return;
    }
    case platform::EventKind::CloseQuery:
      if (!event.component.empty()) return;
      event.handled = true;
      Decide(kModalCancel);
      return;
    case platform::EventKind::Timer:
      if (event.timerId != kFormTimerId || !onTimer_) return;
      if (std::optional<int> decided = onTimer_()) Decide(*decided);
      return;
    default: return;
  }
}

// The window goes as soon as the result is known, as a modal form's does; the owner takes input
// again first, so that it is the window the system activates next.
void BuiltInForm::Decide(int result) {
  result_ = result;
  toolkit_.StopTimer(form_, kFormTimerId);
  toolkit_.SetModalOwner(form_, platform::kNoForm);
  toolkit_.Hide(form_);
}

}  // namespace quarrix::ui
