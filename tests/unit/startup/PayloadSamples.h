#pragma once
// Payloads shared by the payload tests: one with every field non-trivial.
#include "engine/Payload.h"

namespace quarrix::testing {

inline ScriptPayload MakeFullPayload() {
  ScriptPayload p;
  const std::string line0 = "{0B1C2D3E-0000-4000-8000-00000000000A}";
  const std::string line1 = "{0B1C2D3E-0000-4000-8000-00000000000B}";
  const std::string line2 = "{0B1C2D3E-0000-4000-8000-00000000000C}";
  p.commandNames = HashedStringList({"Set Variable", "If", "Display Dialog"});
  p.lineGuids = HashedStringList({line0, line1, line2});
  p.parameterList = HashedStringList({line0, "PROGRAMFILES", "$", "", "a $ inside", line2, "Welcome", "x$DOLLAR$"});
  p.commentFlags = HashedStringList({"", "C", ""});
  p.productCode = "{11111111-2222-3333-4444-555555555555}";
  p.title = "Sample \xC4pp";  // an ANSI byte above 127
  p.pluginCommands = {"Call Plug-in One", "Call Plug-in Two"};
  p.publisher = "Example Publisher";
  p.contact = "support@example.invalid";
  p.helpLink = "https://example.invalid/help";
  p.urlUpdateInfo = "https://example.invalid/update";
  p.comments = "$";  // a single may be "$": it ends no list
  p.displayVersion = "2.5.1";
  p.webMediaPasswords = {"offline", "scrambled-1", "block1", "scrambled-2"};
  p.lineMedia = HashedStringList({"", "OFFLINE\\", "block1"});
  p.buildMode = 2;
  p.componentSizes = {"VELD-PREDEF-COMPONENT", "0", "Docs", "123456"};
  p.revisionCode = "{66666666-7777-8888-9999-AAAAAAAAAAAA}";
  p.mediaFileMap = {"block1", "bin\\app.exe", "bin\\"};
  p.askLanguage = "TRUE";
  p.defaultLanguage = "English";
  p.commandHeaders = {"0A1B2C3D", "2"};
  p.buildConstants = {"BUILDMODE", "2", "TITLE", "Sample"};
  p.codePage = 1250;
  p.sourceLocations = {"C:\\Project\\main.qxs*0", "C:\\Project\\main.qxs*1", "C:\\Project\\main.qxs*2"};
  return p;
}

}  // namespace quarrix::testing
