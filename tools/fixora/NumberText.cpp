// Numbers as the command line gives them.
#include "NumberText.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

// A whole decimal number in [nMin, nMax], nothing else around it.
bool ToInt(const std::string& strText, long nMin, long nMax, int& nValue)
{
    if (strText.empty())
    {
        return false;
    }
    errno = 0;
    char* pEnd = nullptr;
    const long n = std::strtol(strText.c_str(), &pEnd, 10);
    if (errno != 0 || *pEnd != '\0' || n < nMin || n > nMax ||
        strText.find_first_of(" \t\n") != std::string::npos)
    {
        return false;
    }
    nValue = static_cast<int>(n);
    return true;
}

// A finite decimal number, nothing else around it.
bool ToDouble(const std::string& strText, double& dValue)
{
    if (strText.empty() || strText.find_first_of(" \t\n") != std::string::npos)
    {
        return false;
    }
    errno = 0;
    char* pEnd = nullptr;
    const double d = std::strtod(strText.c_str(), &pEnd);
    if (errno != 0 || *pEnd != '\0' || !std::isfinite(d))
    {
        return false;
    }
    dValue = d;
    return true;
}
