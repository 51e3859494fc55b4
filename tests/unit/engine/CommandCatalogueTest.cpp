#include "engine/CommandCatalogue.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string_view>

#include "commands/EngineCommands.h"

namespace quarrix {
namespace {

void Handler(CommandContext&) {}

constexpr std::string_view kNames[] = {"Install Files", "Set Variable"};

TEST(CommandCatalogue, RowsMayOnlyDescribeKnownCommandsOnce) {
  const CommandRow typo[] = {{"Instal Files", Handler}};
  EXPECT_THROW(CommandCatalogue(kNames, {typo}), std::logic_error);
  // Letter case is part of the name.
  const CommandRow otherCase[] = {{"set variable", Handler}};
  EXPECT_THROW(CommandCatalogue(kNames, {otherCase}), std::logic_error);
  const CommandRow first[] = {{"Set Variable", Handler}};
  const CommandRow second[] = {{"Set Variable", nullptr, DeclareOnly<1>}};
  EXPECT_THROW(CommandCatalogue(kNames, {first, second}), std::logic_error);

  const CommandCatalogue catalogue(kNames, {first});
  ASSERT_NE(catalogue.Find("Install Files"), nullptr);
  EXPECT_EQ(catalogue.Find("Install Files")->handler, nullptr);
  EXPECT_EQ(catalogue.Find("Set Variable")->handler, &Handler);
  EXPECT_EQ(catalogue.Find("Unknown"), nullptr);
}

// The interpreter, the skip scans and the preparation pass compare these names themselves: each
// must stay a command of the catalogue, with the role those places give it.
TEST(CommandCatalogue, NamesTheEngineComparesAreItsCommands) {
  const CommandCatalogue& commands = EngineCommands();
  for (std::string_view name : {"Label", "GoTo Label", "If", "Else If", "Else", "End", "Wizard Loop", "Comment",
                                "Ignore", "Terminate Install", "Terminate with Exit Code"}) {
    SCOPED_TRACE(name);
    const CommandRow* row = commands.Find(name);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->flowControl);
  }
  const CommandRow* dialog = commands.Find("Display Dialog");
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->steersWizardLoop);
  EXPECT_NE(dialog->handler, nullptr);
}

TEST(CommandCatalogue, InstallerBackedRowsCarryTheirPackageParameters) {
  const CommandCatalogue& commands = EngineCommands();
  struct Case {
    std::string_view name;
    bool installerBacked;
    size_t properties;
  };
  for (const Case& c : {Case{"Install Files", true, 1}, Case{"Write Registry", true, 3},
                        Case{"Install Service", true, 9}, Case{"Create ODBC DSN", true, 0},
                        Case{"Transform Instance", false, 0}, Case{"Set Variable", false, 0}}) {
    SCOPED_TRACE(c.name);
    const CommandRow* row = commands.Find(c.name);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->installerBacked, c.installerBacked);
    EXPECT_EQ(row->backing.properties.size(), c.properties);
  }
  EXPECT_TRUE(commands.Find("Write Registry")->backing.onlyReferences);
  EXPECT_EQ(commands.Find("Install Service")->backing.serviceDependencyParameter, 10u);
}

}  // namespace
}  // namespace quarrix
