// Test sentences as the receiver gets them: the shared sentence text as a CString.
#pragma once

#include "platform/String.h"
#include "support/Sentences.h"

inline CString Sentence(const std::string& strBody)
{
    return CString(NmeaSentence(strBody).c_str());
}

inline CString Sentence(const std::wstring& body)
{
    return Sentence(CString(body.c_str()).ToNarrow());
}
