#include "platform/FixoraApp.h"

CFIXORAApp::CFIXORAApp() : CWinApp(nullptr) {}

// Constructed during the library's static initialisation; nothing here may rely on statics of
// other translation units (the platform keeps its own state in function-local statics).
CFIXORAApp theApp;
