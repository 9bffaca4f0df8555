// The message box shown when the host has installed no handler: the operating-system side
// (posix/ writes the text to standard error and answers IDOK; win32/ shows the system's box).
#pragma once

#include "String.h"

int ShowDefaultMessageBox(const CString& strText, UINT nType);

// Writes the text and a line end to standard error (UTF-8), at once.
void WriteToStandardError(const CString& strText);
