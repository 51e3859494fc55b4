#pragma once
// Real installer packages made at test time with wixl, and msitools to read them back.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace quarrix::testing {

inline bool HaveTool(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Standard output of a shell command; nothing when it fails.
inline std::optional<std::string> RunTool(const std::string& command) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  return pclose(pipe) == 0 ? std::optional<std::string>(out) : std::nullopt;
}

inline constexpr const char* kTestProductCode = "{11111111-2222-3333-4444-555555555555}";

// A package with two components (attributes 0 and 4), a shortcut and a property, built into
// folder/name; "-a x64" as architecture makes its components 64-bit. Nothing when wixl fails.
inline std::optional<std::filesystem::path> BuildTestPackage(const std::filesystem::path& folder,
                                                             const std::string& name = "setup.msi",
                                                             const std::string& architecture = "x86") {
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "readme.txt") << "read me\n";
  std::ofstream(folder / "package.wxs") << R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{11111111-2222-3333-4444-555555555555}" Name="Probe" Language="1033" Version="1.2.3"
           Manufacturer="Tests" UpgradeCode="{22222222-2222-3333-4444-555555555555}">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Media Id="1" Cabinet="probe.cab" EmbedCab="yes"/>
    <Property Id="EXISTING" Value="old"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="Probe">
          <Component Id="Main" Guid="{33333333-2222-3333-4444-555555555555}">
            <File Id="ReadMe" Name="readme.txt" Source="readme.txt" KeyPath="yes">
              <Shortcut Id="ReadMeShortcut" Directory="INSTALLDIR" Name="ReadMe" Description="Read me"/>
            </File>
          </Component>
          <Component Id="Second" Guid="{44444444-2222-3333-4444-555555555555}">
            <RegistryValue Root="HKCU" Key="Software\Probe" Name="x" Value="1" Type="string" KeyPath="yes"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="All" Level="1"><ComponentRef Id="Main"/><ComponentRef Id="Second"/></Feature>
  </Product>
</Wix>
)";
  const std::filesystem::path package = folder / name;
  const std::string command = "cd '" + folder.string() + "' && wixl -a " + architecture + " -o '" + package.string() +
                              "' package.wxs";
  if (!RunTool(command)) return std::nullopt;
  return package;
}

// One table as msiinfo exports it: a header of three lines, then one tab-separated row a line.
inline std::string ExportTable(const std::filesystem::path& package, const std::string& table) {
  return RunTool("msiinfo export '" + package.string() + "' " + table).value_or("");
}

inline std::string SummaryText(const std::filesystem::path& package) {
  return RunTool("msiinfo suminfo '" + package.string() + "'").value_or("");
}

}  // namespace quarrix::testing
