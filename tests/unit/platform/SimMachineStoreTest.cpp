#include "platform/sim/SimMachineStore.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TempMachine.h"

namespace quarrix::testing {
namespace {

using platform::RegistryRoot;
using platform::RegistryType;
using platform::RegistryValue;
using platform::RegistryView;
using platform::sim::SimMachine;
using platform::sim::SimMachineStore;

std::optional<RegistryValue> Read(SimMachine& machine, RegistryRoot root, const std::string& key,
                                  const std::string& name, RegistryView view) {
  return machine.registry.ReadValue(root, key, name, view);
}

TEST(SimMachineStoreTest, RegistryProductsAndFilesSurviveASaveAndLoad) {
  TempFolder dir;
  SimMachineStore store(dir.Path());
  const RegistryValue binary{RegistryType::Binary, std::string("\x00\xff\x10", 3)};
  {
    SimMachine machine(store.DrivesFolder());
    machine.registry.WriteValue(RegistryRoot::CurrentUser, "Software\\Mixed Case", "", RegistryValue::Text("default"),
                                RegistryView::Default);
    machine.registry.WriteValue(RegistryRoot::CurrentUser, "Software\\Mixed Case", "Quoted",
                                RegistryValue::Text("a \"b\" C:\\x\r\nline 2"), RegistryView::Default);
    machine.registry.WriteValue(RegistryRoot::LocalMachine, "SOFTWARE\\Vendor", "Count", RegistryValue::Number(0x2A),
                                RegistryView::Force32);
    machine.registry.WriteValue(RegistryRoot::LocalMachine, "SOFTWARE\\Vendor", "Blob", binary, RegistryView::Force64);
    machine.registry.CreateKey(RegistryRoot::ClassesRoot, "Empty\\Key", RegistryView::Default);
    machine.installer.AddProduct("{abc}", "{PACKAGE}");
    machine.files.CreateDirectories("C:\\Apps");
    machine.files.WriteFile("C:\\Apps\\note.txt", "kept");
    machine.environment.entries = {"=C:=C:\\Apps", "Quoted=\"a\"\tb", "Empty="};
    std::string error;
    ASSERT_TRUE(store.Save(machine, error)) << error;
  }
  std::ifstream registryFile(dir.Path() / "registry.reg");
  std::string text((std::istreambuf_iterator<char>(registryFile)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Mixed Case]\n@=\"default\"\n"), std::string::npos) << text;

  SimMachine loaded(store.DrivesFolder());
  std::string error;
  ASSERT_TRUE(store.Load(loaded, error)) << error;
  EXPECT_EQ(Read(loaded, RegistryRoot::CurrentUser, "SOFTWARE\\MIXED CASE", "quoted", RegistryView::Default)->data,
            "a \"b\" C:\\x\r\nline 2");
  auto count = Read(loaded, RegistryRoot::LocalMachine, "SOFTWARE\\Vendor", "Count", RegistryView::Force32);
  ASSERT_TRUE(count);
  EXPECT_EQ(count->type, RegistryType::Dword);
  EXPECT_EQ(count->data, RegistryValue::Number(0x2A).data);
  EXPECT_FALSE(Read(loaded, RegistryRoot::LocalMachine, "SOFTWARE\\Vendor", "Count", RegistryView::Force64))
      << "the views stay apart";
  auto blob = Read(loaded, RegistryRoot::LocalMachine, "SOFTWARE\\Vendor", "Blob", RegistryView::Force64);
  ASSERT_TRUE(blob);
  EXPECT_EQ(blob->type, binary.type);
  EXPECT_EQ(blob->data, binary.data);
  EXPECT_TRUE(loaded.registry.KeyExists(RegistryRoot::ClassesRoot, "Empty\\Key", RegistryView::Default));
  EXPECT_EQ(loaded.installer.QueryProductState("{ABC}"), platform::kInstallStateDefault);
  EXPECT_EQ(loaded.installer.GetProductInfo("{abc}", "PackageCode"), "{PACKAGE}");
  EXPECT_EQ(loaded.files.ReadFile("C:\\Apps\\note.txt"), "kept");
  EXPECT_EQ(loaded.environment.entries, (std::vector<std::string>{"=C:=C:\\Apps", "Quoted=\"a\"\tb", "Empty="}));
}

TEST(SimMachineStoreTest, AFreshFolderKeepsTheMachinesDefaultsAndBadFilesAreReported) {
  TempFolder dir;
  SimMachineStore store(dir.Path());
  SimMachine machine(store.DrivesFolder());
  std::string error;
  ASSERT_TRUE(store.Load(machine, error)) << error;
  EXPECT_TRUE(Read(machine, RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                   "ProgramFilesDir", RegistryView::Default));

  const std::vector<std::pair<const char*, const char*>> broken = {
      {"registry.reg", "\"value\"=\"before any key\"\n"},
      {"registry.reg", "[HKEY_NOWHERE\\Key]\n"},
      {"registry.reg", "[HKEY_CURRENT_USER\\Key]\n\"v\"=dword:12\n"},
      {"registry.reg", "[HKEY_CURRENT_USER\\Key]\n\"v\"=\"open\n"},
      {"products.txt", "{ABC}\n"},
      {"environment.txt", "PATH=C:\\\n"},
      {"system.txt", "windows = 2 10\n"},
      {"system.txt", "colour = 32\n"},
      {"system.txt", "vmware = yes\n"},
      {"system.txt", "screen = 800 600 32 x\n"},
      {"system.txt", "system-file = winver.exe 10.0.1 0x409\n"},
  };
  for (const auto& [file, content] : broken) {
    SCOPED_TRACE(content);
    TempFolder badDir;
    std::ofstream(badDir.Path() / file) << content;
    SimMachineStore badStore(badDir.Path());
    SimMachine target(badStore.DrivesFolder());
    std::string message;
    EXPECT_FALSE(badStore.Load(target, message));
    EXPECT_NE(message.find(file), std::string::npos) << message;
  }
}

TEST(SimMachineStoreTest, TheSystemDescriptionSurvivesASaveAndLoad) {
  TempFolder dir;
  SimMachineStore store(dir.Path());
  {
    SimMachine machine(store.DrivesFolder());
    platform::sim::SimSystemInfo& system = machine.system;
    system.versionReport = {2, 6, 1, 7601, "Service Pack 1", 3};
    system.physicalMemory = 30u << 20;
    system.display = {768, 1024, 16, -1, true, false};
    system.nativeArchitecture.reset();
    system.processWow64 = false;
    system.builtinGroups = {0x222};
    system.elevated = false;
    system.account = {"Ann", ""};
    system.computerName = "BUILD-7";
    system.systemFiles = {{"winver.exe", {{6, 1, 7601, 17514}, 0x0407}}};
    system.vmwareGuest = true;
    std::string error;
    ASSERT_TRUE(store.Save(machine, error)) << error;
  }
  SimMachine loaded(store.DrivesFolder());
  std::string error;
  ASSERT_TRUE(store.Load(loaded, error)) << error;
  const platform::sim::SimSystemInfo& system = loaded.system;
  EXPECT_EQ(system.versionReport.minor, 1u);
  EXPECT_EQ(system.version.major, 6u) << "the true version follows the reported one";
  EXPECT_EQ(system.version.minor, 1u);
  EXPECT_EQ(system.versionReport.build, 7601u);
  EXPECT_EQ(system.versionReport.servicePackText, "Service Pack 1");
  EXPECT_EQ(system.versionReport.productType, 3u);
  EXPECT_EQ(system.physicalMemory, 30u << 20);
  EXPECT_EQ(system.display.width, 768);
  EXPECT_EQ(system.display.height, 1024);
  EXPECT_EQ(system.display.colourBits, 16);
  EXPECT_EQ(system.display.dotsPerInch, -1);
  EXPECT_TRUE(system.display.tabletPc);
  EXPECT_FALSE(system.nativeArchitecture);
  EXPECT_TRUE(system.system64Bit);
  EXPECT_FALSE(system.processWow64);
  EXPECT_EQ(system.builtinGroups, std::set<uint32_t>{0x222});
  EXPECT_FALSE(system.elevated);
  EXPECT_EQ(system.account.name, "Ann");
  EXPECT_EQ(system.account.domain, "");
  EXPECT_EQ(system.computerName, "BUILD-7");
  ASSERT_EQ(system.systemFiles.size(), 1u) << "the saved files replace the defaults";
  EXPECT_EQ(system.systemFiles.at("winver.exe").version, (platform::FileVersionParts{6, 1, 7601, 17514}));
  EXPECT_EQ(system.systemFiles.at("winver.exe").language, 0x0407);
  EXPECT_TRUE(system.vmwareGuest);
  EXPECT_FALSE(system.virtualPcGuest);
}

TEST(SimMachineStoreTest, FileMarksAndRestartDeletionsSurviveASaveAndLoad) {
  TempFolder dir;
  SimMachineStore store(dir.Path());
  {
    SimMachine machine(store.DrivesFolder());
    machine.files.CreateDirectories("C:\\Cache\\Sub Folder");
    machine.files.WriteFile("C:\\Cache\\Sub Folder\\a.dat", "a");
    machine.files.WriteFile("C:\\Cache\\b.dat", "b");
    machine.files.SetHidden("C:\\Cache\\Sub Folder\\a.dat");
    machine.files.SetHidden("C:\\Cache");
    machine.files.SetCompression("C:\\Cache\\Sub Folder", true);
    machine.files.SetCompression("C:\\Cache\\b.dat", false);
    machine.files.DeleteAtRestart("C:\\Cache\\b.dat");
    std::string error;
    ASSERT_TRUE(store.Save(machine, error)) << error;
  }
  SimMachine loaded(store.DrivesFolder());
  std::string error;
  ASSERT_TRUE(store.Load(loaded, error)) << error;
  EXPECT_TRUE(loaded.files.IsHidden("C:\\cache\\sub folder\\A.DAT"));
  EXPECT_TRUE(loaded.files.IsHidden("C:\\Cache\\"));
  EXPECT_FALSE(loaded.files.IsHidden("C:\\Cache\\b.dat"));
  EXPECT_EQ(loaded.files.Compression("C:\\Cache\\Sub Folder"), true);
  EXPECT_EQ(loaded.files.Compression("C:\\Cache\\b.dat"), false);
  EXPECT_EQ(loaded.files.Compression("C:\\Cache"), std::nullopt);
  EXPECT_EQ(loaded.files.PendingRestartDeletes(), std::vector<std::string>{"C:\\Cache\\b.dat"});
}

}  // namespace
}  // namespace quarrix::testing
