// Product identity: which edition of the TRIVO family this program is, its version, and
// the two display texts of the About box made from them.
#pragma once

#include <string>

enum MirvaneEdition : int {
  LIT_MIRVANE_NONE = 0,
  LIT_MIRVANE_STUDIO = 1,
  LIT_MIRVANE_STUDIO_PRO = 2,
  LIT_MIRVANE_AUTHOR = 3,
  LIT_MIRVANE_PUBLISHER = 4,
  LIT_MIRVANE_SERVER = 5,
  LIT_MIRVANE_SDK = 6,
  LIT_MIRVANE_VIEWER = 7,
  LIT_MIRVANE_VIEWER_PRO = 8,
  LIT_MIRVANE_BROWSER_PLUGIN = 9,
  LIT_MIRVANE_BROWSER_PLUGIN_EX = 10,
  LIT_MIRVANE_OFFICE_PLUGIN = 11,
  LIT_MIRVANE_ACROBAT_PLUGIN = 12,
  LIT_MIRVANE_READER_PLUGIN = 13,
  LIT_MIRVANE_CONVERTER = 14
};

class DudOrevove {
 public:
  // Edition none and an empty version; the build date is fixed at build time.
  DudOrevove();
  virtual ~DudOrevove();
  DudOrevove(const DudOrevove&) = delete;
  DudOrevove& operator=(const DudOrevove&) = delete;

  void SetEdition(int edition) { m_eProduct = edition; }
  void SetVersion(const char* version) { m_strVersion = version ? version : ""; }
  int Edition() const { return m_eProduct; }
  const std::string& Version() const { return m_strVersion; }

  // "TRIVO " + edition name; empty for an edition outside the family. Reports an unset
  // edition.
  std::string EditionName() const;
  // Edition name, " ", release identifier, " ", resource suffix.
  std::string ProductLine() const;
  // "Build ", version, " (", build date, ")".
  std::string BuildLine() const;

 private:
  int m_eProduct;
  std::string m_strVersion;
  int m_nBuildMonth;
  int m_nBuildDay;
  int m_nBuildYear;
};
