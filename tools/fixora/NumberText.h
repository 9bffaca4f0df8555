// Numbers as the command line gives them: the whole text is the number, nothing around it.
#pragma once

#include <string>

// A whole decimal number in [nMin, nMax].
bool ToInt(const std::string& strText, long nMin, long nMax, int& nValue);
// A finite decimal number.
bool ToDouble(const std::string& strText, double& dValue);
