#include "engine/EmulationLine.h"

#include "textparse/Parser.h"

#include <cwchar>
#include <iterator>

namespace
{
constexpr wchar_t s_szPauseMarker[] = L"VKR PAUSE";
}

bool PrepareEmulationLine(CString& strLine)
{
    constexpr std::size_t nMarkerLength = std::size(s_szPauseMarker) - 1;
    if (std::wcsncmp(strLine.GetString(), s_szPauseMarker, nMarkerLength) != 0)
    {
        strLine += L"\r\n";
        return true;
    }
    CParser parser(strLine, L",*", false);
    CString strField;
    if (!parser.GetNextString(strField))
    {
        return false;
    }
    AfxMessageBox(parser.GetRemainingBuffer().GetString(), MB_OK);
    return true;
}
