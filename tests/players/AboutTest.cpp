// The About item: where the plug-in puts it and the note it shows.
#include "PlayersHost.h"

namespace playerstest {
namespace {

constexpr char kAboutItem[] = "LitAboutTRIVOPlayerReader";

class About : public PlayersHost {};

TEST_F(About, ItemIsAppendedToTheAboutMenuAndTheMenuGoesBack) {
  const std::vector<refhost::MenuItemInfo> items = refhost::MenuItems();
  ASSERT_EQ(1u, items.size());
  EXPECT_EQ("AboutExtensions", items[0].menu);
  EXPECT_EQ("TRIVO Player...", items[0].title);
  EXPECT_EQ(kAboutItem, items[0].name);
  EXPECT_EQ(9999, items[0].position);
  EXPECT_TRUE(items[0].hasExecute);
  EXPECT_EQ(0u, refhost::AcquiredMenus());
}

TEST_F(About, NoteShowsTheProductLineThenTheBuildLineEveryTime) {
  ASSERT_TRUE(refhost::RunMenuItem(kAboutItem));
  ASSERT_TRUE(refhost::RunMenuItem(kAboutItem));
  const std::string expected =
      "TRIVO Player plug-in for Adobe Reader R5L2008e  \nBuild 6.3.1.1383 (12/12/2008)";
  EXPECT_EQ((std::vector<std::string>{expected, expected}), refhost::Alerts());
  EXPECT_EQ(0u, host_->LiveAllocations());
  ExpectClean();
}

TEST_F(About, ResourceTextsEndTheProductLine) {
  if (!platform::control::SetStringResource(10100, "Reader"))
    GTEST_SKIP() << "string resources are the modules' own here";
  platform::control::SetStringResource(10101, "(c) 2008");
  ASSERT_TRUE(refhost::RunMenuItem(kAboutItem));
  ASSERT_EQ(1u, refhost::Alerts().size());
  EXPECT_EQ(
      "TRIVO Player plug-in for Adobe Reader R5L2008e Reader (c) 2008\n"
      "Build 6.3.1.1383 (12/12/2008)",
      refhost::Alerts()[0]);
}

class HostWithoutAboutMenu : public PlayersHost {
 protected:
  refhost::Profile HostProfile() const override {
    refhost::Profile profile = PlayersHost::HostProfile();
    profile.noAboutMenu = true;
    return profile;
  }
};

TEST_F(HostWithoutAboutMenu, NoItemAndTheRestOfInitGoesOn) {
  EXPECT_TRUE(refhost::MenuItems().empty());
  EXPECT_FALSE(refhost::RunMenuItem(kAboutItem));
  EXPECT_TRUE(refhost::HasAnnotHandler("KXTRIVOPlayer"));
  EXPECT_EQ(0u, refhost::AcquiredMenus());
}

}  // namespace
}  // namespace playerstest
