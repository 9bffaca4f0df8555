// Sentence recognition: the kind of each message from its leading text, the NMEA checksum,
// dispatch to the parsers, unrecognised proprietary sentences, and sentence monitoring.
#include "receiver/DOZOzoeiver.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace
{

struct SPrefix
{
    GPSStringType eType;
    std::wstring_view prefix;
};

// Searched in this order: the first prefix a message starts with names its kind. Whether the
// checksum is checked follows from the kind (IsChecksummedKind).
constexpr SPrefix s_Prefixes[] = {
    {GPS_STRING_ALM, L"$GPALM"},
    {GPS_STRING_GGA, L"$GPGGA"},
    {GPS_STRING_INGGA, L"$INGGA"},
    {GPS_STRING_GLL, L"$GPGLL"},
    {GPS_STRING_GSA, L"$GPGSA"},
    {GPS_STRING_GSV, L"$GPGSV"},
    {GPS_STRING_RMC, L"$GPRMC"},
    {GPS_STRING_VTG, L"$GPVTG"},
    {GPS_STRING_ZDA, L"$GPZDA"},
    {GPS_STRING_ALM, L"$GNALM"},
    {GPS_STRING_GGA, L"$GNGGA"},
    {GPS_STRING_GLL, L"$GNGLL"},
    {GPS_STRING_GSA, L"$GNGSA"},
    {GPS_STRING_GSV, L"$GNGSV"},
    {GPS_STRING_RMC, L"$GNRMC"},
    {GPS_STRING_VTG, L"$GNVTG"},
    {GPS_STRING_ZDA, L"$GNZDA"},
    {GPS_STRING_GSV, L"$GLGSV"},
    {GPS_STRING_GSV, L"$BDGSV"},
    {GPS_STRING_PGRME, L"$PGRME"},
    {GPS_STRING_CRMSS, L"$CRMSS"},
    {GPS_STRING_CRMSS, L"$GPMSS"},
    {GPS_STRING_CRMSK, L"$CRMSK"},
    {GPS_STRING_CRMSK, L"$GPMSK"},
    {GPS_STRING_PEM, L"PEM:"},
    {GPS_STRING_PMD, L"PMD:"},
    {GPS_STRING_PRTA, L"PRTA:"},
    {GPS_STRING_PER, L"PER:"},
    {GPS_STRING_PASHR, L"$PASHR"},
    {GPS_STRING_PSLIR_NMEA, L"$PSLIR,PAR,NMEA"},
    {GPS_STRING_PSLIR_MODE, L"$PSLIR,PAR,MODE"},
    {GPS_STRING_PMCAG, L"$PMCAG"},
    {GPS_STRING_JSHOW, L"$>JSHOW"},
    {GPS_STRING_JI, L"$>JI"},
    {GPS_STRING_JGEO, L"$>JGEO"},
    {GPS_STRING_RD1, L"$RD1"},
    {GPS_STRING_BIN, L"$BIN"},
    {GPS_STRING_LOGLIST, L"#LOGLISTA"},
    {GPS_STRING_RXCONFIG, L"#RXCONFIGA"},
    {GPS_STRING_ECUTOFF, L"#ECUTOFF"},
    {GPS_STRING_OMNIINFO, L"#OMNIINFO"},
    {GPS_STRING_OMNISTAT, L"#OMNISTAT"},
    {GPS_STRING_OMNIHPPOS, L"#OMNIHPPOS"},
    {GPS_STRING_WAAS1, L"#WAAS1"},
    {GPS_STRING_RTKSOURCE, L"#RTKSOURCE"},
    {GPS_STRING_SBASCONTROL, L"#SBASCONTROL"},
    {GPS_STRING_PSRDIFFSOURCE, L"#PSRDIFFSOURCE"},
};
static_assert(std::size(s_Prefixes) == 47);

// The first three characters of a text folded into one number. A message can start with a
// prefix only if both have the same key, so the walk passes most rows with one comparison.
constexpr std::size_t s_nKeyLength = 3;
constexpr std::uint64_t PrefixKey(std::wstring_view text)
{
    std::uint64_t nKey = 0;
    for (std::size_t i = 0; i < s_nKeyLength; ++i)
    {
        nKey |= (static_cast<std::uint64_t>(text[i]) & 0xFFFF) << (16 * i);
    }
    return nKey;
}

constexpr std::size_t s_nShortestPrefix =
    std::min_element(
        std::begin(s_Prefixes), std::end(s_Prefixes),
        [](const SPrefix& a, const SPrefix& b) { return a.prefix.size() < b.prefix.size(); })
        ->prefix.size();
static_assert(s_nShortestPrefix >= s_nKeyLength);

constexpr auto s_PrefixKeys = [] {
    std::array<std::uint64_t, std::size(s_Prefixes)> keys{};
    for (std::size_t i = 0; i < keys.size(); ++i)
    {
        keys[i] = PrefixKey(s_Prefixes[i].prefix);
    }
    return keys;
}();

// A line may arrive with a six-character port tag in front ("[COM1]"); it and what precedes it
// are dropped.
constexpr wchar_t s_szPortTag[] = L"[COM";
constexpr int s_nPortTagLength = 6;

constexpr std::wstring_view s_Acknowledgement = L"$PASHR,ACK";

// Proprietary sentences kept as text for the host: longer than a bare tag, at most one NMEA
// sentence (82 characters) and at least 10.
constexpr int s_nMinProprietary = 10;
constexpr int s_nMaxProprietary = 82;

int HexDigitValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
    {
        return c - L'0';
    }
    if (c >= L'A' && c <= L'F')
    {
        return c - L'A' + 10;
    }
    if (c >= L'a' && c <= L'f')
    {
        return c - L'a' + 10;
    }
    return -1;
}

// Whether the message starts with a table prefix, compared in line (a library call would cost
// more than the few characters compared).
bool StartsWithPrefix(std::wstring_view text, std::wstring_view prefix)
{
    if (text.size() < prefix.size())
    {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i)
    {
        if (text[i] != prefix[i])
        {
            return false;
        }
    }
    return true;
}

// The monitoring bit of a kind; kinds 32 and above share the bits of 0 upward.
DWORD NmeaBit(GPSStringType eType)
{
    return DWORD{1} << (static_cast<unsigned>(eType) % 32U);
}

} // namespace

bool CDOZOzoeiver::Parse(CString& strMessage)
{
    const int nTag = strMessage.Find(s_szPortTag);
    if (nTag >= 0)
    {
        strMessage = strMessage.Right(strMessage.GetLength() - (nTag + s_nPortTagLength));
    }
    const GPSStringType eType = GetGPSStringType(strMessage);
    if (m_bMonitorNmea)
    {
        GotNmea(eType);
    }
    return Parse(strMessage, eType);
}

GPSStringType CDOZOzoeiver::GetGPSStringType(const CString& strMessage)
{
    const std::wstring_view text = strMessage.View();
    if (text.size() >= 3 && text[0] == 0xAA && text[1] == 0x44 && text[2] == 0x12)
    {
        return GPS_STRING_OEM_BINARY;
    }
    if (text.size() < s_nShortestPrefix)
    {
        return GPS_STRING_UNKNOWN;
    }
    const std::uint64_t nKey = PrefixKey(text);
    for (std::size_t i = 0; i < std::size(s_Prefixes); ++i)
    {
        const SPrefix& row = s_Prefixes[i];
        if (s_PrefixKeys[i] == nKey && StartsWithPrefix(text, row.prefix))
        {
            if (!IsChecksummedKind(row.eType) || IsChecksumOK(strMessage))
            {
                return row.eType;
            }
            return GPS_STRING_UNKNOWN;
        }
    }
    return GPS_STRING_UNKNOWN;
}

bool CDOZOzoeiver::IsChecksumOK(const CString& strMessage)
{
    // "$" payload "*" hh: the XOR of the payload's characters against up to four hex digits
    // (either case), compared on the low 8 bits. No "*" after the "$" means no checksum: refused.
    const std::wstring_view text = strMessage.View();
    const std::size_t nDollar = text.find(L'$');
    const std::size_t nStar = text.find(L'*');
    if (nDollar == std::wstring_view::npos || nStar == std::wstring_view::npos || nStar <= nDollar)
    {
        return false;
    }
    unsigned nChecksum = 0;
    for (std::size_t i = nStar + 1; i < text.size() && i <= nStar + 4; ++i)
    {
        const int nDigit = HexDigitValue(text[i]);
        if (nDigit < 0)
        {
            break;
        }
        nChecksum = (nChecksum << 4) | static_cast<unsigned>(nDigit);
    }
    // The sum starts with the character after "$" (the "*" itself when the payload is empty).
    unsigned nSum = static_cast<unsigned>(text[nDollar + 1]);
    for (std::size_t i = nDollar + 2; i < nStar; ++i)
    {
        nSum ^= static_cast<unsigned>(text[i]);
    }
    return (nSum & 0xFF) == (nChecksum & 0xFF);
}

bool CDOZOzoeiver::Parse(CString& strMessage, GPSStringType eType)
{
    m_GPSData.m_bProprietary = false;
    bool bPublish = false;
    switch (eType)
    {
    case GPS_STRING_GGA:
    case GPS_STRING_INGGA:
        if (!(eType == GPS_STRING_GGA ? ProcessGGA(strMessage) : ProcessINGGA(strMessage)))
        {
            return false;
        }
        if (m_GPSData.m_bPosition && m_bComputeMotion)
        {
            m_SpeedEngine.ComputeMotion(&m_GPSData);
        }
        break;
    case GPS_STRING_GSA:
        if (!ProcessGSA(strMessage))
        {
            return false;
        }
        m_bGSAReceived = true;
        break;
    case GPS_STRING_GSV:
        // True only for the last sentence of a cycle: the satellites are then published.
        if (!ProcessGSV(strMessage))
        {
            return false;
        }
        m_bGSVReceived = true;
        bPublish = true;
        break;
    case GPS_STRING_VTG:
        if (!ProcessVTG(strMessage))
        {
            return false;
        }
        break;
    case GPS_STRING_PGRME:
        if (!ProcessGarminRME(strMessage))
        {
            return false;
        }
        break;
    case GPS_STRING_PASHR:
        if (strMessage.View().starts_with(s_Acknowledgement))
        {
            // Accepted in every state; the new status makes it a publication of its own.
            m_GPSData.m_Status.m_bAckReceived = true;
            m_GPSData.m_Status.m_bNewStatus = true;
            break;
        }
        // NMEA satellite data takes precedence over the receiver's own satellite and raw
        // replies: once both GSA and GSV have come, these are refused.
        if (m_bGSAReceived && m_bGSVReceived)
        {
            return false;
        }
        if (!ProcessPASHR(strMessage))
        {
            return false;
        }
        // A navigation record closes the raw epoch: published by itself.
        if (PostNewDataRaw())
        {
            return true;
        }
        bPublish = true;
        break;
    case GPS_STRING_UNKNOWN:
    case GPS_STRING_ALM:
    case GPS_STRING_GLL:
    case GPS_STRING_RMC:
    case GPS_STRING_ZDA:
    case GPS_STRING_RESERVED:
        // Not parsed here: a sentence of the receiver's own ("$P...") goes to the host as text.
        if (!strMessage.View().starts_with(L"$P") || strMessage.GetLength() <= 5)
        {
            return false;
        }
        ProcessProprietary(strMessage); // too short or too long: dropped, nothing to report
        break;
    case GPS_STRING_CRMSS:
    case GPS_STRING_CRMSK:
    case GPS_STRING_PSLIR_NMEA:
    case GPS_STRING_PSLIR_MODE:
    case GPS_STRING_PMCAG:
    case GPS_STRING_PEM:
    case GPS_STRING_PMD:
    case GPS_STRING_PRTA:
    case GPS_STRING_PER:
    case GPS_STRING_JSHOW:
    case GPS_STRING_JI:
    case GPS_STRING_JGEO:
    case GPS_STRING_RD1:
    case GPS_STRING_LOGLIST:
    case GPS_STRING_RXCONFIG:
    case GPS_STRING_ECUTOFF:
    case GPS_STRING_OMNIINFO:
    case GPS_STRING_OMNISTAT:
    case GPS_STRING_OMNIHPPOS:
    case GPS_STRING_WAAS1:
    case GPS_STRING_RTKSOURCE:
    case GPS_STRING_SBASCONTROL:
    case GPS_STRING_PSRDIFFSOURCE:
        // Vendor replies: parsed by the reply parsers once they exist; dropped for now.
        return false;
    case GPS_STRING_BIN:
        return ProcessBIN(); // handed over as words, nothing to publish
    case GPS_STRING_OEM_BINARY:
        if (!ProcessAxis4BIN())
        {
            return false;
        }
        break;
    default:
        return false; // not a kind of the table
    }
    return PostNewData(bPublish);
}

bool CDOZOzoeiver::ProcessProprietary(CString& strMessage)
{
    const int nLength = strMessage.GetLength();
    if (nLength < s_nMinProprietary || nLength > s_nMaxProprietary)
    {
        return false;
    }
    const std::wstring_view text = strMessage.View();
    constexpr int nSize = static_cast<int>(sizeof(m_GPSData.m_szProprietary));
    for (int i = 0; i < nSize; ++i)
    {
        m_GPSData.m_szProprietary[i] =
            i < nLength ? static_cast<char>(text[static_cast<std::size_t>(i)] & 0xFF) : '\0';
    }
    // The record now carries the text, not a fix; the satellite table itself stays valid.
    m_GPSData.m_bProprietary = true;
    m_GPSData.m_bPosition = false;
    m_GPSData.m_bMotion = false;
    m_GPSData.m_bSatellitesInView = false;
    m_GPSData.m_bDOP = false;
    m_GPSData.m_bErrorEstimate = false;
    return true;
}

// ---- sentence monitoring ----------------------------------------------------------------------

void CDOZOzoeiver::MonitorNmea(bool bOn)
{
    m_bMonitorNmea = bOn;
    m_wNmeaBits = 0;
}

bool CDOZOzoeiver::MonitoringNmea()
{
    return m_bMonitorNmea;
}

void CDOZOzoeiver::GotNmea(GPSStringType eType)
{
    m_wNmeaBits.fetch_or(NmeaBit(eType));
}

bool CDOZOzoeiver::HaveGotNmea(GPSStringType eType)
{
    return (m_wNmeaBits.load() & NmeaBit(eType)) != 0;
}
