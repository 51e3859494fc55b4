#pragma once
// Every text the engine writes to the trace log. The leading blanks show nesting (none for the
// root, two for the phases of a run, four for the steps inside a phase) and are part of the text.
// An opening tag without its closing tag marks the step in which a run ended.
#include <string_view>

namespace quarrix {

// The root of every run.
inline constexpr std::string_view kTagQuarrixOpen = "<Quarrix>";
inline constexpr std::string_view kTagQuarrixClose = "</Quarrix>";

// Start-up phases.
inline constexpr std::string_view kTagSetupSplashOpen = "  <SetupSplash>";
inline constexpr std::string_view kTagSetupSplashClose = "  </SetupSplash>";

// Payload reader steps.
inline constexpr std::string_view kTagStubSizeOpen = "    <StubSize>";
inline constexpr std::string_view kTagStubSizeClose = "    </StubSize>";
inline constexpr std::string_view kTagStubDataOpen = "    <StubData>";
inline constexpr std::string_view kTagStubDataClose = "    </StubData>";
inline constexpr std::string_view kTagGlobalListsOpen = "    <GlobalLists>";
inline constexpr std::string_view kTagGlobalListsClose = "    </GlobalLists>";

// Start-up steps after the payload.
inline constexpr std::string_view kTagSupportDirOpen = "    <SupportDir>";
inline constexpr std::string_view kTagSupportDirClose = "    </SupportDir>";
inline constexpr std::string_view kTagExtractArchiveOpen = "    <ExtractArchive>";
inline constexpr std::string_view kTagExtractArchiveClose = "    </ExtractArchive>";
inline constexpr std::string_view kTagExtractResourceOpen = "    <ExtractResource>";
inline constexpr std::string_view kTagExtractResourceClose = "    </ExtractResource>";
inline constexpr std::string_view kTagResourcePathOpen = "    <ResourcePath>";
inline constexpr std::string_view kTagResourcePathClose = "    </ResourcePath>";
inline constexpr std::string_view kTagDialogsOpen = "    <Dialogs>";
inline constexpr std::string_view kTagDialogsClose = "    </Dialogs>";

// Phases of the run and its ending; the removable-media ending writes them too.
inline constexpr std::string_view kTagRunScriptOpen = "  <RunScript>";
inline constexpr std::string_view kTagRunScriptClose = "  </RunScript>";
inline constexpr std::string_view kTagFreeOpen = "  <Free>";
inline constexpr std::string_view kTagFreeClose = "  </Free>";
inline constexpr std::string_view kTagCachedSupportDirOpen = "  <CachedSupportDir>";
inline constexpr std::string_view kTagCachedSupportDirClose = "  </CachedSupportDir>";

// Interpreter steps.
inline constexpr std::string_view kTagVariablesOpen = "    <Variables>";
inline constexpr std::string_view kTagVariablesClose = "    </Variables>";
inline constexpr std::string_view kTagCompileScriptOpen = "    <CompileScript>";
inline constexpr std::string_view kTagCompileScriptClose = "    </CompileScript>";
inline constexpr std::string_view kTagBootStrapOpen = "    <BootStrap>";
inline constexpr std::string_view kTagBootStrapClose = "    </BootStrap>";
inline constexpr std::string_view kTagVeldOpen = "    <veld>";
inline constexpr std::string_view kTagVeldClose = "    </veld>";
inline constexpr std::string_view kTagExitScriptOpen = "    <ExitScript>";
inline constexpr std::string_view kTagExitScriptClose = "    </ExitScript>";

// Written only when the executable's removable medium has gone at the end of the script.
inline constexpr std::string_view kTagRemovableMediaPrematureEjectOpen = "  <RemovableMediaPrematureEject>";
inline constexpr std::string_view kTagRemovableMediaPrematureEjectClose = "  </RemovableMediaPrematureEject>";

}  // namespace quarrix
