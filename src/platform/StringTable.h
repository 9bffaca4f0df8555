// The library's string table. LoadStringW (WinTypes.h) reads it; this lists the layout data.
#pragma once

#include "WinTypes.h"

struct StringResource
{
    UINT nId;
    const wchar_t* pszText;
};

struct DialogControl
{
    const wchar_t* pszClass; // "STATIC" ...
    const wchar_t* pszText;
    int x, y, cx, cy; // dialog units
    DWORD dwStyle;
};

struct DialogTemplate
{
    UINT nId;
    const wchar_t* pszCaption;
    DWORD dwStyle;
    int cx, cy; // dialog units
    const wchar_t* pszFont;
    int nPointSize;
    int nWeight;
    const DialogControl* pControls;
    int nControls;
};

// The resources compiled into the library (src/resources/).
const StringResource* GetStringResources(int& nCount);
const DialogTemplate* FindDialogTemplate(UINT nId);
