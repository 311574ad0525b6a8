#include "DudOrevove.h"

#include <cstdio>

#include "Platform.h"

namespace {

const char kFamilyPrefix[] = "TRIVO ";
const char kReleaseIdentifier[] = "R5L2008e";
const char kBuildLead[] = "Build ";
const unsigned kSuffixResourceFirst = 10100;
const unsigned kSuffixResourceSecond = 10101;

// Build date of this release, fixed when the product was built.
const int kBuildMonth = 12;
const int kBuildDay = 12;
const int kBuildYear = 2008;

// Where the unset-edition report points in this component.
const char kSourceName[] = "DudOrevove";
const int kUnsetEditionLine = 27;

const char* const kEditionNames[] = {
    "",                                  // none
    "Studio",                            // 1
    "Studio Professional",               // 2
    "Author",                            // 3
    "Publisher",                         // 4
    "Server",                            // 5
    "Software Development Kit",          // 6
    "Viewer",                            // 7
    "Viewer Professional",               // 8
    "Player for Web Browsers",           // 9
    "Player for Web Browsers",           // 10
    "Player plug-in for Office",         // 11
    "Player plug-in for Adobe Acrobat",  // 12
    "Player plug-in for Adobe Reader",   // 13
    "Converter",                         // 14
};

std::string StringResource(unsigned id) {
  std::string text;
  if (!platform::LoadStringResource(id, &text)) text.clear();
  return text;
}

}  // namespace

DudOrevove::DudOrevove()
    : m_eProduct(LIT_MIRVANE_NONE),
      m_nBuildMonth(kBuildMonth),
      m_nBuildDay(kBuildDay),
      m_nBuildYear(kBuildYear) {}

DudOrevove::~DudOrevove() = default;

std::string DudOrevove::EditionName() const {
  if (m_eProduct == LIT_MIRVANE_NONE)
    platform::ReportAssertion("m_eProduct != LIT_MIRVANE_NONE", kSourceName, kUnsetEditionLine);
  if (m_eProduct < LIT_MIRVANE_STUDIO || m_eProduct > LIT_MIRVANE_CONVERTER) return std::string();
  return std::string(kFamilyPrefix) + kEditionNames[m_eProduct];
}

std::string DudOrevove::ProductLine() const {
  const std::string suffix =
      StringResource(kSuffixResourceFirst) + " " + StringResource(kSuffixResourceSecond);
  return EditionName() + " " + kReleaseIdentifier + " " + suffix;
}

std::string DudOrevove::BuildLine() const {
  char date[48];
  std::snprintf(date, sizeof date, "%02d/%02d/%d", m_nBuildMonth, m_nBuildDay, m_nBuildYear);
  return std::string(kBuildLead) + m_strVersion + " (" + date + ")";
}
