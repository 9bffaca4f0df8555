// Status replies of the Starlink ("$PSLIR,PAR"), Sokkia ("$PMCAG") and Axis3-family ("$>JSHOW",
// "$>JI", "$>JGEO", "$RD1") receivers.
#include "receiver/DOZOzoeiver.h"
#include "receiver/replies/NumberText.h"
#include "receiver/replies/ReplyText.h"
#include "textparse/ParseException.h"
#include "textparse/Parser.h"

#include <string_view>

namespace
{

// A message's tag in the Starlink NMEA parameter reply, followed by its output period.
struct SPeriodTag
{
    const wchar_t* pszTag;
    int nEntry; // m_NmeaStatus index
};

constexpr SPeriodTag s_PeriodTags[] = {
    {L"GGA:", 0}, {L"GSA:", 1}, {L"ZDA:", 2}, {L"GLL:", 3}, {L"VTG:", 4}, {L"GSV:", 6},
};

// Differential sources of a "DIFF" line, matched on the start of the value, first match wins.
struct SDiffSource
{
    std::wstring_view prefix;
    DgpsMode eMode;
};

constexpr SDiffSource s_DiffSources[] = {
    {L"BEACON", DGPS_BEACON},
    {L"LBAND", DGPS_LBAND},
    {L"WAAS", DGPS_WAAS},
};

// Sentences an "ASC" line can name (by their first five characters), with their m_NmeaStatus
// index.
struct SAscSentence
{
    std::wstring_view name;
    int nEntry;
};

constexpr SAscSentence s_AscSentences[] = {
    {L"GPGGA", 0}, {L"GPGSA", 1}, {L"GPZDA", 2}, {L"GPGLL", 3}, {L"GPVTG", 4}, {L"GPGSV", 6},
};

DgpsMode DiffSource(std::wstring_view value)
{
    for (const SDiffSource& source : s_DiffSources)
    {
        if (value.starts_with(source.prefix))
        {
            return source.eMode;
        }
    }
    return DGPS_OFF;
}

// The m_NmeaStatus index of the sentence named by the value's first five characters; -1 for
// any other name.
int AscEntry(std::wstring_view value)
{
    for (const SAscSentence& sentence : s_AscSentences)
    {
        if (value.substr(0, 5) == sentence.name)
        {
            return sentence.nEntry;
        }
    }
    return -1;
}

// One "$>JSHOW" line's keyword and value into the status record; false for a value that does
// not read and for a keyword outside the four.
bool StoreJShowSetting(const CString& strKeyword, const CString& strValue, CGPSStatusData& status)
{
    if (strKeyword == L"DIFF")
    {
        status.m_bDgpsMode = true;
        status.m_DgpsMode = DiffSource(strValue.View());
        return true;
    }
    if (strKeyword == L"ASC")
    {
        // Only active sentences are listed, so an entry is never set off here.
        status.m_bNmeaStatus = true;
        const int nEntry = AscEntry(strValue.View());
        if (nEntry < 0)
        {
            status.m_bNmeaStatus = false;
            return false;
        }
        status.m_NmeaStatus[nEntry] = NMEA_MSG_ON;
        return true;
    }
    if (strKeyword == L"MASK")
    {
        if (!StrToInt(strValue, status.m_nElevMask))
        {
            return false;
        }
        status.m_bElevMask = true;
        return true;
    }
    if (strKeyword == L"FREQ")
    {
        // A frequency of exactly 0 means the receiver tunes itself.
        double dFrequency = 0.0;
        int nUnread = 0;
        if (!StrToDouble(strValue, dFrequency, nUnread))
        {
            return false;
        }
        status.m_nLbandMode = dFrequency == 0.0 ? 1 : 2;
        return true;
    }
    return false;
}

} // namespace

// $PSLIR,PAR,NMEA,GGA:1,GSA:0,...: each message's period found by its tag anywhere in the line;
// a tag that is missing leaves that message unknown. The SAT entry is not in this reply.
bool CDOZOzoeiver::ProcessPSLIRParNmea(CString& strMessage)
{
    CGPSStatusData& status = m_GPSData.m_Status;
    for (const SPeriodTag& tag : s_PeriodTags)
    {
        if (!GetNmeaMsgStatus(strMessage, status.m_NmeaStatus[tag.nEntry], tag.pszTag))
        {
            return false;
        }
    }
    status.m_bNmeaStatus = true;
    status.m_bNewStatus = true;
    return true;
}

// The reply reports the mask even without "ELM:": the mask then keeps its value and is still
// marked as reported.
bool CDOZOzoeiver::ProcessPSLIRParMode(CString& strMessage)
{
    constexpr std::wstring_view tag = L"ELM:";
    CGPSStatusData& status = m_GPSData.m_Status;
    const int nTag = strMessage.Find(tag.data());
    if (nTag >= 0 &&
        !StrToInt(strMessage.Mid(nTag + static_cast<int>(tag.size())), status.m_nElevMask))
    {
        return false;
    }
    status.m_bElevMask = true;
    status.m_bNewStatus = true;
    return true;
}

// $PMCAG,908,p3,p4,p5,p6,mask[,...]*hh: only message 908 carries the mask, in field 7, in degrees
// with a fraction that is dropped. The checksum is split off too, so that a mask in the last field
// still reads as a number.
bool CDOZOzoeiver::ProcessPMCAG(CString& strMessage)
{
    double dMask = 0.0;
    try
    {
        CParser parser(strMessage, L",*", true);
        parser.Skip();
        CString strNumber;
        parser.GetNextString(strNumber);
        if (strNumber != L"908")
        {
            return false;
        }
        for (int i = 0; i < 4; ++i)
        {
            parser.Skip();
        }
        parser.GetDouble(dMask);
    }
    catch (const CParseException&)
    {
        return false;
    }
    CGPSStatusData& status = m_GPSData.m_Status;
    if (!TruncateToInt(dMask, status.m_nElevMask))
    {
        return false;
    }
    status.m_bElevMask = true;
    status.m_bNewStatus = true;
    return true;
}

// One line of the settings listing: $>JSHOW,<keyword>,<value>[,...]. Each line is published by
// itself.
bool CDOZOzoeiver::ProcessJSHOW(CString& strMessage)
{
    CParser parser(strMessage, L",", true);
    parser.Skip();
    CString strKeyword;
    CString strValue;
    parser.GetNextString(strKeyword);
    parser.GetNextString(strValue);
    if (!StoreJShowSetting(strKeyword, strValue, m_GPSData.m_Status))
    {
        return false;
    }
    m_GPSData.m_Status.m_bNewStatus = true;
    return true;
}

// Identification, geostationary-satellite and L-band diagnostic replies go to the host as text,
// line end included.
bool CDOZOzoeiver::ProcessJiOrJgeoOrRd1(CString& strMessage)
{
    CGPSStatusData& status = m_GPSData.m_Status;
    StoreInfoText(strMessage, status.m_szInfoText);
    status.m_bInfoText = true;
    status.m_bNewStatus = true;
    return true;
}
