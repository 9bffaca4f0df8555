// The application profile as an INI file (SimpleIni). CWinApp's profile calls land here.
#pragma once

#include "String.h"

namespace Profile
{
// Reads an integer; nDefault when the file, section or entry is missing or not a number.
int ReadInt(const CString& strPath, const CString& strSection, const CString& strEntry,
            int nDefault);
// Writes an integer, creating the file and its folder when needed; false on failure.
bool WriteInt(const CString& strPath, const CString& strSection, const CString& strEntry,
              int nValue);
// <$XDG_CONFIG_HOME or ~/.config>/<appName>/<appName>.ini
CString DefaultPath(const CString& strAppName);
} // namespace Profile
