#pragma once
// Dialogs built by hand as the dialog-file parser would hand them over, loaded into a dialog
// engine on a fresh simulated machine.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/FormDescription.h"
#include "support/ScriptRunner.h"
#include "ui/DialogEngine.h"

namespace quarrix::testing {

using Properties = std::vector<std::pair<std::string, std::string>>;

// Values that read as numbers or True/False become integers and identifiers, the rest strings.
inline platform::FormProperty Property(const std::string& name, const std::string& value) {
  platform::FormProperty property;
  property.name = name;
  property.value.text = value;
  const bool number = !value.empty() && value.find_first_not_of("-0123456789") == std::string::npos;
  const bool identifier = value == "True" || value == "False" || (value.size() > 2 && value.rfind("cs", 0) == 0) ||
                          (value.size() > 2 && value.rfind("ss", 0) == 0);
  property.value.kind = number       ? platform::FormValue::Kind::Integer
                        : identifier ? platform::FormValue::Kind::Identifier
                                     : platform::FormValue::Kind::String;
  return property;
}

inline platform::FormObject Control(const std::string& name, const std::string& className,
                                    const Properties& properties = {}, const std::vector<std::string>& items = {}) {
  platform::FormObject object;
  object.name = name;
  object.className = className;
  for (const auto& [property, value] : properties) object.properties.push_back(Property(property, value));
  if (!items.empty()) {
    platform::FormProperty list;
    list.name = className == "TMemo" || className == "TRichEdit" ? "Lines.Strings" : "Items.Strings";
    list.value.kind = platform::FormValue::Kind::List;
    list.value.items = items;
    object.properties.push_back(list);
  }
  return object;
}

inline platform::FormObject Dialog(const std::string& caption, std::vector<platform::FormObject> controls,
                                   int width = 400, int height = 300) {
  platform::FormObject window = Control("PoolTemplate", "TPoolTemplate",
                                        {{"Caption", caption}, {"Width", std::to_string(width)},
                                         {"Height", std::to_string(height)}});
  window.children = std::move(controls);
  return window;
}

inline platform::FormObject NextButton() { return Control("NextButton", "TButton", {{"Caption", "&Next"}, {"Tag", "1"}}); }
inline platform::FormObject BackButton() { return Control("BackButton", "TButton", {{"Caption", "&Back"}, {"Tag", "2"}}); }
inline platform::FormObject CancelButton() {
  return Control("CancelButton", "TButton", {{"Caption", "Cancel"}, {"Tag", "3"}});
}

// A script runner whose "Display Dialog" lines get the dialogs of forms (by dialog name), loaded
// from the support folder as start-up loads them.
class DialogRunner : public ScriptRunner {
 public:
  explicit DialogRunner(std::string_view source, std::string_view arguments = "") : ScriptRunner(source, arguments) {}

  void Load(const std::map<std::string, platform::FormObject>& forms,
            const std::map<std::string, std::string>& rules = {}) {
    forms_ = forms;
    engine.Start(session.supportFolder);
    for (const auto& [name, form] : forms) {
      machine.files.WriteFile(session.supportFolder + name + ".dfm", "object");
      auto rule = rules.find(name);
      if (rule != rules.end()) machine.files.WriteFile(session.supportFolder + name + ".dfm.zvkf", rule->second);
    }
    for (size_t line = 0; line < session.payload.LineCount(); ++line) {
      if (session.payload.commandNames[line] != "Display Dialog") continue;
      const std::string name = GetLineParameter(session.parameterLists, session.payload.lineGuids.At(line), 1);
      engine.LoadDialog(std::to_string(line), session.supportFolder + name + ".dfm");
    }
    session.dialogs = &engine;
  }

  platform::sim::SimToolkit& toolkit = machine.toolkit;
  ui::DialogEngine engine{session, [this](std::string_view, const std::string& fileName) {
                            return forms_.at(fileName.substr(0, fileName.size() - 4));
                          }};

 private:
  std::map<std::string, platform::FormObject> forms_;
};

}  // namespace quarrix::testing
