// Ashtech-family status replies: the beacon's signal and tuning sentences, the lines of the
// parameter listing, and the two readings of an NMEA message's output state.
#include "receiver/DOZOzoeiver.h"
#include "receiver/replies/NumberText.h"
#include "textparse/ParseException.h"
#include "textparse/Parser.h"

#include <string_view>

namespace
{

// One value of the position-mode line, found by its tag; exactly one of the two members is set.
struct SModeValue
{
    std::wstring_view tag;
    int CGPSStatusData::*pnValue;
    double CGPSStatusData::*pdValue;
};

constexpr SModeValue s_ModeValues[] = {
    {L"PMD:", &CGPSStatusData::m_nPositionMode, nullptr},
    {L"ALT:", nullptr, &CGPSStatusData::m_dFixedAltitude},
    {L"PDP:", &CGPSStatusData::m_nPdopMask, nullptr},
    {L"HDP:", &CGPSStatusData::m_nHdopMask, nullptr},
    {L"VDP:", &CGPSStatusData::m_nVdopMask, nullptr},
};

// The words of the NMEA output line that are decoded (1-based, after runs of blanks are
// halved), with the m_NmeaStatus entry each sets.
struct SOutputWord
{
    int nToken;
    int nEntry;
};

constexpr SOutputWord s_OutputWords[] = {
    {5, 3}, {7, 0}, {8, 4}, {11, 1}, {12, 5}, {16, 2}, // GLL, GGA, VTG, GSA, SAT, ZDA
};

} // namespace

bool CDOZOzoeiver::GetNmeaMsgStatus(const CString& strToken, NmeaMsgStatus& eStatus)
{
    const std::wstring_view token = strToken.View();
    if (token.starts_with(L"ON"))
    {
        eStatus = NMEA_MSG_ON;
        return true;
    }
    if (token.starts_with(L"OFF"))
    {
        eStatus = NMEA_MSG_OFF;
        return true;
    }
    eStatus = NMEA_MSG_UNKNOWN;
    return false;
}

bool CDOZOzoeiver::GetNmeaMsgStatus(const CString& strLine, NmeaMsgStatus& eStatus,
                                    const CString& strTag)
{
    const int nTag = strLine.Find(strTag);
    if (nTag < 0)
    {
        eStatus = NMEA_MSG_UNKNOWN;
        return true;
    }
    double dPeriod = 0.0;
    int nUnread = 0;
    if (!StrToDouble(strLine.Mid(nTag + strTag.GetLength()), dPeriod, nUnread))
    {
        return false;
    }
    eStatus = dPeriod > 0.0 ? NMEA_MSG_ON : NMEA_MSG_OFF;
    return true;
}

// $GPMSS,55,27,318.0,100*xx: signal strength, SNR, frequency, bit rate, each stored as read.
bool CDOZOzoeiver::ProcessCRMSS(CString& strMessage)
{
    CGPSStatusData& status = m_GPSData.m_Status;
    try
    {
        CParser parser(strMessage, L",*", true);
        parser.Skip();
        parser.GetInt(status.m_nBeaconSignalStrength);
        parser.GetInt(status.m_nBeaconSNR);
        parser.GetDouble(status.m_dBeaconFrequency);
        parser.GetInt(status.m_nBeaconBitRate);
    }
    catch (const CParseException&)
    {
        return false;
    }
    status.m_bBeaconSignal = true;
    status.m_bNewStatus = true;
    return true;
}

// $GPMSK,318.0,A,100,A,0*xx: only the frequency mode is read; a mode other than "A" or "M"
// leaves the stored one and still counts as a tuning reply.
bool CDOZOzoeiver::ProcessCRMSK(CString& strMessage)
{
    CGPSStatusData& status = m_GPSData.m_Status;
    CParser parser(strMessage, L",*", true);
    parser.Skip();
    parser.Skip();
    CString strMode;
    parser.GetNextString(strMode);
    if (strMode == L"A")
    {
        status.m_bBeaconAutoFrequency = true;
    }
    else if (strMode == L"M")
    {
        status.m_bBeaconAutoFrequency = false;
    }
    status.m_bBeaconTuning = true;
    status.m_bNewStatus = true;
    return true;
}

// Each value is found by its tag anywhere in the line and read up to whatever follows it. The
// first one missing or unreadable ends the line, keeping the values read before it.
bool CDOZOzoeiver::ProcessPARPMD(CString& strMessage)
{
    CGPSStatusData& status = m_GPSData.m_Status;
    for (const SModeValue& value : s_ModeValues)
    {
        const int nTag = strMessage.Find(value.tag.data());
        if (nTag < 0)
        {
            return false;
        }
        const CString strValue = strMessage.Mid(nTag + static_cast<int>(value.tag.size()));
        int nUnread = 0;
        const bool bRead = value.pnValue != nullptr
                               ? StrToInt(strValue, status.*value.pnValue)
                               : StrToDouble(strValue, status.*value.pdValue, nUnread);
        if (!bRead)
        {
            return false;
        }
    }
    status.m_bPositionMode = true;
    status.m_bNewStatus = true;
    return true;
}

// No validity flag of its own: -1.0, left by publication, means unknown.
bool CDOZOzoeiver::ProcessPARPER(CString& strMessage)
{
    constexpr std::wstring_view tag = L"PER:";
    const int nTag = strMessage.Find(tag.data());
    int nUnread = 0;
    if (nTag < 0 || !StrToDouble(strMessage.Mid(nTag + static_cast<int>(tag.size())),
                                 m_GPSData.m_Status.m_dRecordingInterval, nUnread))
    {
        return false;
    }
    m_GPSData.m_Status.m_bNewStatus = true;
    return true;
}

// PEM:10 ... SAV:Y: the mask is stored before the save flag is looked for, so a line without
// one keeps the new mask but is not reported.
bool CDOZOzoeiver::ProcessPARPEM(CString& strMessage)
{
    CGPSStatusData& status = m_GPSData.m_Status;
    try
    {
        CParser parser(strMessage, L": ", true);
        parser.Skip();
        parser.GetInt(status.m_nElevMask);
    }
    catch (const CParseException&)
    {
        return false;
    }
    if (strMessage.Find(L"SAV:Y") >= 0)
    {
        status.m_bSettingsSaved = true;
    }
    else if (strMessage.Find(L"SAV:N") >= 0)
    {
        status.m_bSettingsSaved = false;
    }
    else
    {
        return false;
    }
    status.m_bPemReply = true;
    status.m_bElevMask = true;
    status.m_bNewStatus = true;
    return true;
}

// PRTA: and one ON/OFF word per message, aligned in columns with runs of blanks. Halving the
// pairs of blanks once, then splitting at every blank, puts the decoded words at fixed token
// numbers. The GSV entry is not on this line.
bool CDOZOzoeiver::ProcessPARPRTA(CString& strMessage)
{
    CString strLine(strMessage);
    strLine.Replace(L"  ", L" ");
    CParser parser(strLine, L" ", true);
    CGPSStatusData& status = m_GPSData.m_Status;
    CString strToken;
    int nToken = 0;
    for (const SOutputWord& word : s_OutputWords)
    {
        // Beyond the last word the token reads empty, which decodes as unknown.
        while (nToken < word.nToken)
        {
            parser.GetNextString(strToken);
            ++nToken;
        }
        if (!GetNmeaMsgStatus(strToken, status.m_NmeaStatus[word.nEntry]))
        {
            return false;
        }
    }
    status.m_bNmeaStatus = true;
    status.m_bNewStatus = true;
    return true;
}
