// The site's fix-quality table: a text file "GPSStatus" beside the host executable maps GGA
// quality numbers to signal statuses, one "number, name" line each, e.g. 4,"UDF_SIGNAL_RTK_FLOAT".
#include "receiver/DOZOzoeiver.h"

#include "receiver/replies/NumberText.h"
#include "textparse/TextFile.h"

#include <algorithm>
#include <string>

namespace
{

const wchar_t* const s_pszStatusFile = L"GPSStatus";

// The names a table line may use, in the order they are tried.
struct SStatusName
{
    const wchar_t* pszName;
    UDF_SIGNAL_STATUS eStatus;
};
constexpr SStatusName s_StatusNames[] = {
    {L"UDF_SIGNAL_NONE", UDF_SIGNAL_NONE},
    {L"UDF_SIGNAL_GPS", UDF_SIGNAL_GPS},
    {L"UDF_SIGNAL_CORRECTED_GPS", UDF_SIGNAL_CORRECTED_GPS},
    {L"UDF_SIGNAL_CALCULATED", UDF_SIGNAL_CALCULATED},
    {L"UDF_SIGNAL_MANUAL", UDF_SIGNAL_MANUAL},
    {L"UDF_SIGNAL_RTK_CODE", UDF_SIGNAL_RTK_CODE},
    {L"UDF_SIGNAL_RTK_FIXED", UDF_SIGNAL_RTK_FIXED},
    {L"UDF_SIGNAL_RTK_FLOAT", UDF_SIGNAL_RTK_FLOAT},
    {L"UDF_SIGNAL_POSTPROCESSED", UDF_SIGNAL_POSTPROCESSED},
    {L"UDF_SIGNAL_WAAS", UDF_SIGNAL_WAAS},
    {L"UDF_SIGNAL_UNKNOWN", UDF_SIGNAL_UNKNOWN},
};

// The longest executable path asked for; a path that does not fit is used as far as it came.
constexpr DWORD s_nMaxPath = 32768;

} // namespace

CString CDOZOzoeiver::GetStatusFilePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD nLength =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (nLength < buffer.size() || buffer.size() >= s_nMaxPath)
        {
            break;
        }
        buffer.resize(buffer.size() * 2); // cut short: ask again with room to spare
    }
    const CString strExecutable(buffer.c_str());
    // The folder ends at the last backslash on Windows; a path here has slashes, none of those.
    const int nFolderEnd =
        std::max(strExecutable.ReverseFind(L'\\'), strExecutable.ReverseFind(L'/'));
    return strExecutable.Left(nFolderEnd + 1) + s_pszStatusFile;
}

void CDOZOzoeiver::LoadAlternatGPSStatusStrings()
{
    std::lock_guard lock(m_RecordsMutex);
    LoadStatusTable(GetStatusFilePath());
}

void CDOZOzoeiver::LoadStatusTable(const CString& strPath)
{
    CTextFile file(false, false);
    if (!file.Open(strPath.GetString(), CTextFile::modeRead | CTextFile::typeText, nullptr))
    {
        return; // no table: the entries and the flag stay as they were
    }
    // A "default" line stores its status under the number of the last numeric line before it;
    // when it comes first there is no number, so it stores nothing (it still turns the table on).
    // Neither GGA parser looks a default up.
    int nKey = 0;
    bool bHaveKey = false;
    CString strLine;
    while (file.ReadString(strLine))
    {
        const int nComma = strLine.Find(L',');
        const CString strKey = strLine.Left(nComma); // no comma: an empty key, never used
        if (StrToInt(strKey, nKey))
        {
            bHaveKey = true;
        }
        else if (strKey.CompareNoCase(L"default") != 0)
        {
            continue;
        }
        m_bAlternateStatus = true;
        CString strValue = strLine.Mid(nComma + 1);
        strValue.Remove(L'"');
        strValue.Remove(L' ');
        strValue.Remove(L'\t');
        for (const SStatusName& name : s_StatusNames)
        {
            if (strValue.CompareNoCase(name.pszName) == 0)
            {
                if (bHaveKey)
                {
                    m_SignalStatusMap[nKey] = name.eStatus;
                }
                break;
            }
        }
    }
    file.Close();
}
