#include "rawdata/DataLog.h"

#include "resources/ResourceIds.h"

#include <ctime>

namespace
{

constexpr double s_dShortestInterval = 0.1;
constexpr int s_nStringBufferLength = 128;

// A name cut before its first dot.
CString WithoutExtension(const CString& strName)
{
    const int nDot = strName.Find(L'.');
    return nDot >= 0 ? strName.Left(nDot) : strName;
}

CString LoadDataLogString(UINT nId)
{
    wchar_t szBuffer[s_nStringBufferLength] = {};
    const int nLength = LoadStringW(AfxGetResourceHandle(), nId, szBuffer, s_nStringBufferLength);
    if (nLength <= 0)
    {
        AfxMessageBox(L"Error loading resource string. DozOzo", MB_OK);
        return CString();
    }
    return CString(szBuffer, nLength);
}

std::int64_t Now()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

} // namespace

CDataLog::CDataLog(CWnd* pParent) : m_pParentWnd(pParent), m_TimeMark(Now()) {}

CDataLog::~CDataLog() = default;

bool CDataLog::IsReady() const
{
    return !m_strFilename.IsEmpty() && m_dLogInterval >= s_dShortestInterval && m_bEnabled;
}

CString CDataLog::GetStatusString()
{
    CString strStatus;
    const CString strFormat = LoadDataLogString(IDS_DATALOG_STATUS);
    if (!strFormat.IsEmpty())
    {
        strStatus.Format(strFormat.GetString(), GetNumEpochs(), GetMinutesElapsed());
    }
    return strStatus;
}

void CDataLog::SetPort(int nPort)
{
    m_strPort = nPort == 2 ? L"COM2" : L"COM1";
}

void CDataLog::SetTimeMark()
{
    m_TimeMark = Now();
}

int CDataLog::GetMinutesElapsed()
{
    const std::int64_t nSeconds = Now() - m_TimeMark;
    return static_cast<int>((nSeconds / 3600) % 24 * 60 + (nSeconds / 60) % 60);
}

bool CDataLog::SetFilename(const CString& strName)
{
    m_strFilename = WithoutExtension(strName) + GetFileExtension();
    return true;
}

bool CDataLog::SetDefaultFilename(const CString& strBase)
{
    m_strDefaultName = strBase;
    m_strFilename = GenerateDefaultFilename(m_strDefaultName);
    return true;
}

CString CDataLog::GenerateDefaultFilename(const CString& strBase)
{
    static const wchar_t* const s_apszMonths[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                                  L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    std::tm local{};
    GetLocalCalendarTime(std::time(nullptr), local);
    const int nMonth = local.tm_mon + 1;
    CString strSuffix;
    strSuffix.Format(L"_%d%s_%dh%dm%ds", local.tm_mday,
                     s_apszMonths[nMonth >= 2 && nMonth <= 12 ? nMonth - 1 : 0], local.tm_hour,
                     local.tm_min, local.tm_sec);
    return WithoutExtension(strBase) + strSuffix + GetFileExtension();
}
