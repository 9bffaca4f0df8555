// Why a file could not be opened: filled by CTextFile::Open when the caller passes one. It is a
// plain report, never thrown.
#pragma once

#include "platform/String.h"

class GEOMETRY_API CFileException
{
public:
    enum Cause : int
    {
        none = 0,
        genericException = 1, // anything not named below, including unsupported open flags
        fileNotFound = 2,
        badPath = 3, // malformed path, or a folder where a file was expected
        tooManyOpenFiles = 4,
        accessDenied = 5,
    };

    int m_cause = none;
    long m_lOsError = 0;   // the system's error number, 0 when the system reported none
    CString m_strFileName; // the path as given to Open
};
