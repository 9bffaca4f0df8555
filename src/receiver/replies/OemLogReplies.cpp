// OEM board ASCII logs: "#" and the log name, a header, ";", the body fields, "*" and the checksum.
// The header and the checksum are never looked at; the body is found by the first ";" and, where
// its end matters, by the next "*". A line without ";" is read from its first character.
#include "receiver/DOZOzoeiver.h"
#include "receiver/replies/NumberText.h"
#include "receiver/replies/ReplyText.h"

#include <iterator>
#include <string_view>

namespace
{

enum class ETextLog
{
    OmniInfo,
    OmniStat,
    OmniHpPos,
    Waas1
};

// The logs that become info text: a pseudo-sentence of the prefix and the kept part of the body.
struct STextLog
{
    ETextLog eLog;
    const wchar_t* pszPrefix;
    int nFieldsKept; // leading body fields kept with their commas; 0 keeps the body up to the "*"
};

constexpr STextLog s_TextLogs[] = {
    {ETextLog::OmniInfo, L"$OMNII,", 0},
    {ETextLog::OmniStat, L"$OMNIS,", 0},
    {ETextLog::OmniHpPos, L"$OMNIP,", 5}, // status, position type, latitude, longitude, height
    {ETextLog::Waas1, L"$WAAS1,", 0},
};

enum class EDgpsLog
{
    RtkSource,
    SbasControl,
    PsrDiffSource
};

// Each body field is compared together with the comma that ends it; an empty second field is not
// compared.
struct SDgpsSource
{
    EDgpsLog eLog;
    std::wstring_view first;
    std::wstring_view second;
    DgpsMode eMode;
};

constexpr SDgpsSource s_DgpsSources[] = {
    {EDgpsLog::RtkSource, L"OMNISTAR,", {}, DGPS_LBAND},
    {EDgpsLog::RtkSource, L"AUTO,", {}, DGPS_BEACON},
    {EDgpsLog::SbasControl, L"ENABLE,", L"AUTO,", DGPS_WAAS},
    {EDgpsLog::PsrDiffSource, L"OMNISTAR,", {}, DGPS_OMNISTAR_VBS},
    {EDgpsLog::PsrDiffSource, L"CDGPS,", {}, DGPS_CDGPS},
};

// Log names in the list that switch each m_NmeaStatus entry, by index.
constexpr const wchar_t* s_LogListNames[] = {L"GPGGA", L"GPGSA", L"GPZDA", L"GPGLL",
                                             L"GPVTG", L"GPSAT", L"GPGSV"};

// First character of the body: after the first ";", or the line's first character without one.
int BodyStart(const CString& strLine)
{
    return strLine.Find(L';') + 1;
}

// The field that starts at nStart, through the comma that ends it; empty when no comma follows.
std::wstring_view FieldWithComma(std::wstring_view line, std::size_t nStart, std::size_t& nNext)
{
    const std::size_t nComma = line.find(L',', nStart);
    if (nComma == std::wstring_view::npos)
    {
        nNext = line.size();
        return {};
    }
    nNext = nComma + 1;
    return line.substr(nStart, nNext - nStart);
}

// Position of the nCount-th comma at or after nStart; -1 when there are fewer.
int NthComma(const CString& strLine, int nStart, int nCount)
{
    int nPos = nStart - 1;
    for (int i = 0; i < nCount; ++i)
    {
        nPos = strLine.Find(L',', nPos + 1);
        if (nPos < 0)
        {
            return -1;
        }
    }
    return nPos;
}

// The prefix and the kept part of the body.
CString TextLogText(const CString& strLine, const STextLog& log)
{
    const int nStart = BodyStart(strLine);
    // Last character kept: the "*", or the comma that ends the last field kept.
    const int nEnd = log.nFieldsKept == 0 ? strLine.Find(L'*', nStart)
                                          : NthComma(strLine, nStart, log.nFieldsKept);
    CString strText(log.pszPrefix);
    if (nEnd >= nStart)
    {
        strText += strLine.Mid(nStart, nEnd - nStart + 1);
    }
    return strText;
}

bool StoreTextLog(const CString& strLine, ETextLog eLog)
{
    CGPSStatusData& status = CDOZOzoeiver::m_GPSData.m_Status;
    for (const STextLog& log : s_TextLogs)
    {
        if (log.eLog == eLog)
        {
            StoreInfoText(TextLogText(strLine, log), status.m_szInfoText);
            status.m_bInfoText = true;
            status.m_bNewStatus = true;
        }
    }
    return true;
}

// A line that names no source of the table stores nothing and is still accepted.
bool StoreDgpsSource(const CString& strLine, EDgpsLog eLog)
{
    const std::wstring_view line = strLine.View();
    std::size_t nNext = 0;
    const std::wstring_view first =
        FieldWithComma(line, static_cast<std::size_t>(BodyStart(strLine)), nNext);
    const std::wstring_view second = FieldWithComma(line, nNext, nNext);
    for (const SDgpsSource& source : s_DgpsSources)
    {
        if (source.eLog == eLog && source.first == first &&
            (source.second.empty() || source.second == second))
        {
            CGPSStatusData& status = CDOZOzoeiver::m_GPSData.m_Status;
            status.m_DgpsMode = source.eMode;
            status.m_bDgpsMode = true;
            status.m_bNewStatus = true;
            break;
        }
    }
    return true;
}

} // namespace

// Every entry is rewritten: a message the list does not name is off. Ports and periods are not
// examined.
bool CDOZOzoeiver::ProcessLOGLIST(CString& strMessage)
{
    CGPSStatusData& status = m_GPSData.m_Status;
    for (int i = 0; i < static_cast<int>(std::size(s_LogListNames)); ++i)
    {
        status.m_NmeaStatus[i] =
            strMessage.Find(s_LogListNames[i]) >= 0 ? NMEA_MSG_ON : NMEA_MSG_OFF;
    }
    status.m_bNmeaStatus = true;
    status.m_bNewStatus = true;
    return true;
}

bool CDOZOzoeiver::ProcessRXCONFIG(CString& /*strMessage*/)
{
    return true;
}

// The body is one number, the mask in degrees; its fraction is dropped.
bool CDOZOzoeiver::ProcessECUTOFF(CString& strMessage)
{
    const int nStart = BodyStart(strMessage);
    const int nEnd = strMessage.Find(L'*', nStart);
    if (nEnd < 0)
    {
        return false;
    }
    double dValue = 0.0;
    int nUnread = 0;
    int nMask = 0;
    if (!StrToDouble(strMessage.Mid(nStart, nEnd - nStart), dValue, nUnread) ||
        !TruncateToInt(dValue, nMask))
    {
        return false;
    }
    CGPSStatusData& status = m_GPSData.m_Status;
    status.m_nElevMask = nMask;
    status.m_bElevMask = true;
    status.m_bNewStatus = true;
    return true;
}

bool CDOZOzoeiver::ProcessOMNIINFO(CString& strMessage)
{
    return StoreTextLog(strMessage, ETextLog::OmniInfo);
}

bool CDOZOzoeiver::ProcessOMNISTAT(CString& strMessage)
{
    return StoreTextLog(strMessage, ETextLog::OmniStat);
}

bool CDOZOzoeiver::ProcessOMNIHPPOS(CString& strMessage)
{
    return StoreTextLog(strMessage, ETextLog::OmniHpPos);
}

bool CDOZOzoeiver::ProcessWAAS1(CString& strMessage)
{
    return StoreTextLog(strMessage, ETextLog::Waas1);
}

bool CDOZOzoeiver::ProcessRTKSOURCE(CString& strMessage)
{
    return StoreDgpsSource(strMessage, EDgpsLog::RtkSource);
}

bool CDOZOzoeiver::ProcessSBASCONTROL(CString& strMessage)
{
    return StoreDgpsSource(strMessage, EDgpsLog::SbasControl);
}

bool CDOZOzoeiver::ProcessPSRDIFFSOURCE(CString& strMessage)
{
    return StoreDgpsSource(strMessage, EDgpsLog::PsrDiffSource);
}
