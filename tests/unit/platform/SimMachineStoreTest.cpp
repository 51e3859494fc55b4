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
