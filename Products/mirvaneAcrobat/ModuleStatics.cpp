// Both objects are defined in this one file so that their construction order is fixed.
#include "ModuleStatics.h"

namespace {
CmirvaneAcrobatApp theApp;
DudOrevove theProductIdentity;
}  // namespace

CmirvaneAcrobatApp& TheApp() {
  return theApp;
}
ZAruPDDocManager& TheDocManager() {
  return theApp.DocManager();
}
DudOrevove& TheProductIdentity() {
  return theProductIdentity;
}
