// The library's application object: a CWinApp with no name and no behaviour of its own. Being
// the first application object constructed in a process without another, it is what AfxGetApp
// returns; the host makes its window the main window through AfxGetApp()->m_pMainWnd.
#pragma once

#include "platform/App.h"

class FIXORA_API CFIXORAApp : public CWinApp
{
public:
    CFIXORAApp();
};

FIXORA_API extern CFIXORAApp theApp;
