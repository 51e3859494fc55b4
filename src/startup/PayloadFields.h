#pragma once
// The one place that knows the order of the payload's fields; reader and writer both walk it,
// so they cannot drift apart. The visitor is called with the field's 1-based number, its name
// and a reference to the member (HashedStringList, StringList, std::string or int32_t).
#include <string_view>

#include "engine/Payload.h"

namespace quarrix {

inline constexpr int kParameterListField = 3;

template <class Payload, class Visitor>
void VisitPayloadFields(Payload& payload, Visitor&& visit) {
  visit(1, std::string_view("commandNames"), payload.commandNames);
  visit(2, std::string_view("lineGuids"), payload.lineGuids);
  visit(3, std::string_view("parameterList"), payload.parameterList);
  visit(4, std::string_view("commentFlags"), payload.commentFlags);
  visit(5, std::string_view("productCode"), payload.productCode);
  visit(6, std::string_view("title"), payload.title);
  visit(7, std::string_view("pluginCommands"), payload.pluginCommands);
  visit(8, std::string_view("publisher"), payload.publisher);
  visit(9, std::string_view("contact"), payload.contact);
  visit(10, std::string_view("helpLink"), payload.helpLink);
  visit(11, std::string_view("urlUpdateInfo"), payload.urlUpdateInfo);
  visit(12, std::string_view("comments"), payload.comments);
  visit(13, std::string_view("displayVersion"), payload.displayVersion);
  visit(14, std::string_view("webMediaPasswords"), payload.webMediaPasswords);
  visit(15, std::string_view("lineMedia"), payload.lineMedia);
  visit(16, std::string_view("buildMode"), payload.buildMode);
  visit(17, std::string_view("componentSizes"), payload.componentSizes);
  visit(18, std::string_view("revisionCode"), payload.revisionCode);
  visit(19, std::string_view("mediaFileMap"), payload.mediaFileMap);
  visit(20, std::string_view("askLanguage"), payload.askLanguage);
  visit(21, std::string_view("defaultLanguage"), payload.defaultLanguage);
  visit(22, std::string_view("commandHeaders"), payload.commandHeaders);
  visit(23, std::string_view("buildConstants"), payload.buildConstants);
  visit(24, std::string_view("codePage"), payload.codePage);
  visit(25, std::string_view("sourceLocations"), payload.sourceLocations);
}

}  // namespace quarrix
