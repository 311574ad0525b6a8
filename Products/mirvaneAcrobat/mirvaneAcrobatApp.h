// The module's application object: owner of the document registry. The viewer drives the
// module, so the application's own start-up and message handling never run.
#pragma once

#include "Platform.h"
#include "ZorUDAveRuvuzaz.h"

class CmirvaneAcrobatApp : public platform::CWinApp {
 public:
  CmirvaneAcrobatApp();
  ~CmirvaneAcrobatApp() override;

  ZAruPDDocManager& DocManager() { return m_docManager; }

 private:
  ZAruPDDocManager m_docManager;
};
