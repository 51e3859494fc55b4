#include "localisation/MessageTable.h"

#include <gtest/gtest.h>

namespace quarrix {

TEST(MessageTable, EnglishDefaultsBySlot) {
  struct Case {
    int slot;
    const char* text;
  };
  const Case cases[] = {
      {1, "Please install the common controls update from Microsoft before attempting to install this product."},
      {2, "Setup resource not found"},
      {3, "Setup resource decompression failure"},
      {4, "Setup database not found"},
      {5, "Runtime error in install: "},
      {20, "Runtime error in setup script:"},
      {23, "Quarrix Wizard"},
      {24, "Quarrix is preparing the Quarrix Wizard which will install this application. Please wait."},
      {27, " Proxy Information (optional) "},
      {53, "If you choose Cancel, setup will exit. However, you will be able to resume your download from where "
           "it left off when you re-run setup."},
      {54, ""},  // download status 0 has no word
      {55, "Locating resource"},
      {86, "Detecting proxy information"},
      {87, "Accept ranges"},
      {88, "A previously executed setup still has pending operations on the system. Please restart your computer "
           "before attempting to install this product."},
      {89, "Select Setup Language"},
      {90, "Please select the language to use during the installation:"},
      {91, ""},
      {111, ""},
      {112, "Unable to play Flash movie"},
      {115, "Entire feature will be &unavailable"},
  };
  MessageTable table;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.slot);
    EXPECT_EQ(table.Text(c.slot), c.text);
  }
}

TEST(MessageTable, SlotsOutsideTheTableAreEmptyAndIgnoreWrites) {
  MessageTable table;
  for (int slot : {-1, 0, 116, 1000}) {
    SCOPED_TRACE(slot);
    table.Set(slot, "stray");
    EXPECT_EQ(table.Text(slot), "");
  }
  table.Set(40, "Abbrechen?");
  EXPECT_EQ(table.Text(40), "Abbrechen?");
  EXPECT_EQ(table.Text(39), "&Cancel");
}

}  // namespace quarrix
