#include "mirvaneAcrobatApp.h"

CmirvaneAcrobatApp::CmirvaneAcrobatApp() : platform::CWinApp(nullptr) {}

CmirvaneAcrobatApp::~CmirvaneAcrobatApp() = default;
