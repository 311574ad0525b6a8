// The product and build lines of the About box, made by the product-identity record.
#include <gtest/gtest.h>

#include "DudOrevove.h"
#include "PlatformControl.h"

namespace {

class ProductIdentityTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::control::Reset(); }
  void TearDown() override { platform::control::Reset(); }
};

struct LinesCase {
  int edition;
  const char* version;
  const char* productLine;
  const char* buildLine;
};

class ProductLinesTest : public ProductIdentityTest,
                         public ::testing::WithParamInterface<LinesCase> {};

TEST_P(ProductLinesTest, ProductAndBuildLinesAreExact) {
  DudOrevove identity;
  identity.SetVersion(GetParam().version);
  identity.SetEdition(GetParam().edition);
  EXPECT_EQ(identity.ProductLine(), GetParam().productLine);
  EXPECT_EQ(identity.BuildLine(), GetParam().buildLine);
  EXPECT_TRUE(platform::control::AssertionReports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Editions, ProductLinesTest,
    ::testing::Values(
        // Without string resources the suffix is a single blank.
        LinesCase{13, "6.3.1.1383", "TRIVO Player plug-in for Adobe Reader R5L2008e  ",
                  "Build 6.3.1.1383 (12/12/2008)"},
        // Outside the family: the empty name, so the line starts with a blank.
        LinesCase{15, "6.3.1.1383", " R5L2008e  ", "Build 6.3.1.1383 (12/12/2008)"},
        LinesCase{-1, "1", " R5L2008e  ", "Build 1 (12/12/2008)"},
        LinesCase{13, "", "TRIVO Player plug-in for Adobe Reader R5L2008e  ",
                  "Build  (12/12/2008)"}));

TEST_F(ProductIdentityTest, StringResourcesFormTheSuffix) {
  DudOrevove identity;
  identity.SetEdition(13);
  platform::control::SetStringResource(10100, "Licensed to");
  platform::control::SetStringResource(10101, "ACME");
  EXPECT_EQ(identity.ProductLine(),
            "TRIVO Player plug-in for Adobe Reader R5L2008e Licensed to ACME");
  platform::control::RemoveStringResource(10100);
  EXPECT_EQ(identity.ProductLine(), "TRIVO Player plug-in for Adobe Reader R5L2008e  ACME");
}

TEST_F(ProductIdentityTest, EditionsNineAndTenShareOneNameAndEveryFamilyEditionHasOne) {
  DudOrevove nine, ten;
  nine.SetEdition(9);
  ten.SetEdition(10);
  EXPECT_EQ(nine.EditionName(), ten.EditionName());
  for (int edition = 1; edition <= 14; ++edition) {
    DudOrevove identity;
    identity.SetEdition(edition);
    const std::string name = identity.EditionName();
    EXPECT_EQ(name.rfind("TRIVO ", 0), 0u) << edition;
    EXPECT_GT(name.size(), 6u) << edition;
  }
}

TEST_F(ProductIdentityTest, UnsetEditionIsReportedAndTheProcessGoesOn) {
  DudOrevove identity;
  identity.SetVersion("6.3.1.1383");
  EXPECT_EQ(identity.ProductLine(), " R5L2008e  ");
  ASSERT_EQ(platform::control::AssertionReports().size(), 1u);
  const platform::control::AssertionReport& report = platform::control::AssertionReports()[0];
  EXPECT_EQ(report.expression, "m_eProduct != LIT_MIRVANE_NONE");
  EXPECT_EQ(report.source, "DudOrevove");
  EXPECT_EQ(report.line, 27);
}

TEST_F(ProductIdentityTest, VersionIsACopy) {
  DudOrevove identity;
  char version[] = "6.3.1.1383";
  identity.SetVersion(version);
  version[0] = '9';
  EXPECT_EQ(identity.Version(), "6.3.1.1383");
}

}  // namespace
