// Sentence recognition: the kind of each message from its leading text, the NMEA checksum,
// dispatch to the parsers, unrecognised proprietary sentences, and sentence monitoring.
#include "receiver/DOZOzoeiver.h"

#include "framing/SentenceChecks.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace
{

// What Parse does around a kind's parser.
enum class EAction : std::uint8_t
{
    AsText, // no parser of its own: a "$P..." sentence is kept as proprietary text
    Reply,  // the parser; its false drops the message, its true may publish the record
    Fix,    // GGA, INGGA: a new position also goes to the speed engine
    Gsa,    // remembered: with GSV it takes precedence over the receiver's own replies
    Gsv,    // remembered; the completed cycle is published
    Pashr,  // the acknowledgement, or a raw record or satellite reply
    Binary, // "$BIN": handed over as words, nothing published
};

// A kind's parser, called on the receiver with the message.
using Parser = bool (*)(CDOZOzoeiver& receiver, CString& strMessage);

struct SMessageKind
{
    std::wstring_view prefix;
    GPSStringType eType;
    Parser pfnParser; // null for the kinds without a parser of their own
    EAction eAction;
};

// A slot of the lookup table: a row, its key, and whether its prefix goes on beyond the key.
struct SSlot
{
    std::uint64_t nKey = 0;
    const SMessageKind* pRow = nullptr; // null: an empty slot, where a probe ends
    bool bLong = false;
};

// Up to the first six characters of a text packed into one number, eight bits each; s_nNoKey when
// one of them is beyond eight bits (no prefix holds such a character). The characters take the
// bit positions that loading them in words puts them at (KeyOfSix), so a key is read from a
// message with three loads instead of six.
constexpr std::size_t s_nKeyLength = 6;
constexpr std::uint64_t s_nNoKey = ~std::uint64_t{0};
static_assert(std::endian::native == std::endian::little, "keys are read in little-endian words");
static_assert(sizeof(wchar_t) == 2 || sizeof(wchar_t) == 4);
constexpr unsigned KeyShift(std::size_t i)
{
    // Four-byte characters: two a word, three words interleaved a byte apart. Two-byte
    // characters: four in the first word, two in the second, shifted a byte.
    constexpr unsigned s_Wide[] = {0, 32, 8, 40, 16, 48};
    constexpr unsigned s_Narrow[] = {0, 16, 32, 48, 8, 24};
    return sizeof(wchar_t) == 4 ? s_Wide[i] : s_Narrow[i];
}

constexpr std::uint64_t KeyOf(std::wstring_view text, std::size_t nLength)
{
    std::uint64_t nKey = 0;
    for (std::size_t i = 0; i < nLength; ++i)
    {
        const auto c = static_cast<std::uint64_t>(text[i]);
        if (c > 0xFF)
        {
            return s_nNoKey;
        }
        nKey |= c << KeyShift(i);
    }
    return nKey;
}

// The key of a text's first six characters (it has six), as KeyOf gives it.
inline std::uint64_t KeyOfSix(const wchar_t* p)
{
    if constexpr (sizeof(wchar_t) == 4)
    {
        std::uint64_t q0 = 0;
        std::uint64_t q1 = 0;
        std::uint64_t q2 = 0;
        std::memcpy(&q0, p, sizeof q0);
        std::memcpy(&q1, p + 2, sizeof q1);
        std::memcpy(&q2, p + 4, sizeof q2);
        if (((q0 | q1 | q2) & 0xFFFFFF00FFFFFF00ULL) != 0)
        {
            return s_nNoKey;
        }
        return q0 | q1 << 8 | q2 << 16;
    }
    else
    {
        std::uint64_t q0 = 0;
        std::uint32_t q1 = 0;
        std::memcpy(&q0, p, sizeof q0);
        std::memcpy(&q1, p + 4, sizeof q1);
        if ((q0 & 0xFF00FF00FF00FF00ULL) != 0 || (q1 & 0xFF00FF00U) != 0)
        {
            return s_nNoKey;
        }
        return q0 | static_cast<std::uint64_t>(q1) << 8;
    }
}

constexpr std::size_t KeyLengthOf(std::wstring_view prefix)
{
    return std::min(prefix.size(), s_nKeyLength);
}

// Slot of a key in the lookup table (Fibonacci hashing).
constexpr std::size_t s_nSlots = 256;
constexpr std::size_t SlotOf(std::uint64_t nKey)
{
    return static_cast<std::size_t>((nKey * 0x9E3779B97F4A7C15ULL) >> 56);
}

} // namespace

// The message kinds: one row per prefix, in the order of the receivers' families, each naming
// its kind and its parser. Whether the checksum is checked follows from the kind
// (IsChecksummedKind). A message is looked up by its first characters, not by walking the rows.
class CMessageKinds
{
    using D = CDOZOzoeiver;
    using A = EAction;

public:
    // clang-format off
    // A row's parser: a text parser, or a decoder of the attached bytes.
#define PARSER(name) [](D& r, CString& s) { return r.name(s); }
#define DECODER(name) [](D& r, CString&) { return r.name(); }
    static constexpr SMessageKind s_Rows[] = {
        {L"$GPALM",          GPS_STRING_ALM,           nullptr,                      A::AsText},
        {L"$GPGGA",          GPS_STRING_GGA,           PARSER(ProcessGGA),           A::Fix},
        {L"$INGGA",          GPS_STRING_INGGA,         PARSER(ProcessINGGA),         A::Fix},
        {L"$GPGLL",          GPS_STRING_GLL,           nullptr,                      A::AsText},
        {L"$GPGSA",          GPS_STRING_GSA,           PARSER(ProcessGSA),           A::Gsa},
        {L"$GPGSV",          GPS_STRING_GSV,           PARSER(ProcessGSV),           A::Gsv},
        {L"$GPRMC",          GPS_STRING_RMC,           nullptr,                      A::AsText},
        {L"$GPVTG",          GPS_STRING_VTG,           PARSER(ProcessVTG),           A::Reply},
        {L"$GPZDA",          GPS_STRING_ZDA,           nullptr,                      A::AsText},
        {L"$GNALM",          GPS_STRING_ALM,           nullptr,                      A::AsText},
        {L"$GNGGA",          GPS_STRING_GGA,           PARSER(ProcessGGA),           A::Fix},
        {L"$GNGLL",          GPS_STRING_GLL,           nullptr,                      A::AsText},
        {L"$GNGSA",          GPS_STRING_GSA,           PARSER(ProcessGSA),           A::Gsa},
        {L"$GNGSV",          GPS_STRING_GSV,           PARSER(ProcessGSV),           A::Gsv},
        {L"$GNRMC",          GPS_STRING_RMC,           nullptr,                      A::AsText},
        {L"$GNVTG",          GPS_STRING_VTG,           PARSER(ProcessVTG),           A::Reply},
        {L"$GNZDA",          GPS_STRING_ZDA,           nullptr,                      A::AsText},
        {L"$GLGSV",          GPS_STRING_GSV,           PARSER(ProcessGSV),           A::Gsv},
        {L"$BDGSV",          GPS_STRING_GSV,           PARSER(ProcessGSV),           A::Gsv},
        {L"$PGRME",          GPS_STRING_PGRME,         PARSER(ProcessGarminRME),     A::Reply},
        {L"$CRMSS",          GPS_STRING_CRMSS,         PARSER(ProcessCRMSS),         A::Reply},
        {L"$GPMSS",          GPS_STRING_CRMSS,         PARSER(ProcessCRMSS),         A::Reply},
        {L"$CRMSK",          GPS_STRING_CRMSK,         PARSER(ProcessCRMSK),         A::Reply},
        {L"$GPMSK",          GPS_STRING_CRMSK,         PARSER(ProcessCRMSK),         A::Reply},
        {L"PEM:",            GPS_STRING_PEM,           PARSER(ProcessPARPEM),        A::Reply},
        {L"PMD:",            GPS_STRING_PMD,           PARSER(ProcessPARPMD),        A::Reply},
        {L"PRTA:",           GPS_STRING_PRTA,          PARSER(ProcessPARPRTA),       A::Reply},
        {L"PER:",            GPS_STRING_PER,           PARSER(ProcessPARPER),        A::Reply},
        {L"$PASHR",          GPS_STRING_PASHR,         PARSER(ProcessPASHR),         A::Pashr},
        {L"$PSLIR,PAR,NMEA", GPS_STRING_PSLIR_NMEA,    PARSER(ProcessPSLIRParNmea),  A::Reply},
        {L"$PSLIR,PAR,MODE", GPS_STRING_PSLIR_MODE,    PARSER(ProcessPSLIRParMode),  A::Reply},
        {L"$PMCAG",          GPS_STRING_PMCAG,         PARSER(ProcessPMCAG),         A::Reply},
        {L"$>JSHOW",         GPS_STRING_JSHOW,         PARSER(ProcessJSHOW),         A::Reply},
        {L"$>JI",            GPS_STRING_JI,            PARSER(ProcessJiOrJgeoOrRd1), A::Reply},
        {L"$>JGEO",          GPS_STRING_JGEO,          PARSER(ProcessJiOrJgeoOrRd1), A::Reply},
        {L"$RD1",            GPS_STRING_RD1,           PARSER(ProcessJiOrJgeoOrRd1), A::Reply},
        {L"$BIN",            GPS_STRING_BIN,           DECODER(ProcessBIN),          A::Binary},
        {L"#LOGLISTA",       GPS_STRING_LOGLIST,       PARSER(ProcessLOGLIST),       A::Reply},
        {L"#RXCONFIGA",      GPS_STRING_RXCONFIG,      PARSER(ProcessRXCONFIG),      A::Reply},
        {L"#ECUTOFF",        GPS_STRING_ECUTOFF,       PARSER(ProcessECUTOFF),       A::Reply},
        {L"#OMNIINFO",       GPS_STRING_OMNIINFO,      PARSER(ProcessOMNIINFO),      A::Reply},
        {L"#OMNISTAT",       GPS_STRING_OMNISTAT,      PARSER(ProcessOMNISTAT),      A::Reply},
        {L"#OMNIHPPOS",      GPS_STRING_OMNIHPPOS,     PARSER(ProcessOMNIHPPOS),     A::Reply},
        {L"#WAAS1",          GPS_STRING_WAAS1,         PARSER(ProcessWAAS1),         A::Reply},
        {L"#RTKSOURCE",      GPS_STRING_RTKSOURCE,     PARSER(ProcessRTKSOURCE),     A::Reply},
        {L"#SBASCONTROL",    GPS_STRING_SBASCONTROL,   PARSER(ProcessSBASCONTROL),   A::Reply},
        {L"#PSRDIFFSOURCE",  GPS_STRING_PSRDIFFSOURCE, PARSER(ProcessPSRDIFFSOURCE), A::Reply},
    };
    // OEM binary messages are known by their three sync bytes, not by a text prefix.
    static constexpr SMessageKind s_OemBinary =
        {L"\xAA\x44\x12",    GPS_STRING_OEM_BINARY,    DECODER(ProcessAxis4BIN),     A::Reply};
    // Messages of no kind, and the kind no message yields.
    static constexpr SMessageKind s_Unknown =
        {L"",                GPS_STRING_UNKNOWN,       nullptr,                      A::AsText};
    // clang-format on
#undef PARSER
#undef DECODER

    // The row whose prefix the text starts with, or null.
    static const SMessageKind* Find(std::wstring_view text)
    {
        // Most messages are named by their first six characters at one probe; the few shorter
        // prefixes are tried only for messages that could start with one.
        if (text.size() >= s_nKeyLength)
        {
            if (const SMessageKind* pRow = Probe(KeyOfSix(text.data()), text))
            {
                return pRow;
            }
        }
        return MayHaveShortPrefix(text) ? FindShort(text) : nullptr;
    }

    // The row that handles a kind: its first row in table order.
    static const SMessageKind& OfType(GPSStringType eType)
    {
        const auto nType = static_cast<std::size_t>(eType);
        return nType < s_ByType.size() ? *s_ByType[nType] : s_Unknown;
    }

private:
    // The row with this key whose whole prefix the text starts with, or null.
    static const SMessageKind* Probe(std::uint64_t nKey, std::wstring_view text)
    {
        // Usually the key's own slot holds its row, and a prefix of at most six characters is
        // then matched by the key alone.
        const std::size_t nSlot = SlotOf(nKey);
        const SSlot& slot = s_Slots[nSlot];
        if (slot.nKey == nKey && slot.pRow != nullptr && !slot.bLong)
        {
            return slot.pRow;
        }
        return slot.pRow == nullptr ? nullptr : ProbeFrom(nSlot, nKey, text);
    }

    // The probe along the slots after a collision, or for a long prefix.
    [[gnu::noinline]] static const SMessageKind* ProbeFrom(std::size_t nSlot, std::uint64_t nKey,
                                                           std::wstring_view text)
    {
        for (;; nSlot = (nSlot + 1) % s_nSlots)
        {
            const SSlot& slot = s_Slots[nSlot];
            if (slot.pRow == nullptr)
            {
                return nullptr;
            }
            if (slot.nKey == nKey && (!slot.bLong || TailMatches(*slot.pRow, text)))
            {
                return slot.pRow;
            }
        }
    }

    // The part of a long prefix beyond its key; rare, so kept out of the probe's way.
    [[gnu::noinline]] static bool TailMatches(const SMessageKind& row, std::wstring_view text);

    // The rows of the prefixes shorter than the key, and the OEM binary messages; kept out of
    // the common way.
    [[gnu::noinline]] static const SMessageKind* FindShort(std::wstring_view text)
    {
        if (text.size() >= 3 && text[0] == 0xAA && text[1] == 0x44 && text[2] == 0x12)
        {
            return &s_OemBinary;
        }
        for (std::size_t nLength = s_nKeyLength - 1; nLength >= s_nShortestPrefix; --nLength)
        {
            if (text.size() >= nLength)
            {
                if (const SMessageKind* pRow = Probe(KeyOf(text, nLength), text))
                {
                    return pRow;
                }
            }
        }
        return nullptr;
    }

    // The prefixes shorter than six characters: a parameter-listing line ("P..."), or "$>JI",
    // "$RD1" and "$BIN"; and the OEM sync.
    static bool MayHaveShortPrefix(std::wstring_view text)
    {
        return !text.empty() && (text[0] == L'P' || text[0] == 0xAA ||
                                 (text[0] == L'$' && text.size() > 1 &&
                                  (text[1] == L'>' || text[1] == L'R' || text[1] == L'B')));
    }

    static constexpr std::size_t s_nShortestPrefix = 4;

    // Rows with one key follow each other in table order along the probe.
    static constexpr auto s_Slots = [] {
        std::array<SSlot, s_nSlots> slots{};
        for (const SMessageKind& row : s_Rows)
        {
            const std::uint64_t nKey = KeyOf(row.prefix, KeyLengthOf(row.prefix));
            std::size_t nSlot = SlotOf(nKey);
            while (slots[nSlot].pRow != nullptr)
            {
                nSlot = (nSlot + 1) % s_nSlots;
            }
            slots[nSlot] = {nKey, &row, row.prefix.size() > s_nKeyLength};
        }
        return slots;
    }();

    static constexpr auto s_ByType = [] {
        std::array<const SMessageKind*, GPS_STRING_PGRME + 1> byType{};
        byType.fill(&s_Unknown);
        for (std::size_t i = std::size(s_Rows); i-- > 0;)
        {
            byType[static_cast<std::size_t>(s_Rows[i].eType)] = &s_Rows[i];
        }
        byType[GPS_STRING_OEM_BINARY] = &s_OemBinary;
        return byType;
    }();
};

bool CMessageKinds::TailMatches(const SMessageKind& row, std::wstring_view text)
{
    return text.substr(s_nKeyLength).starts_with(row.prefix.substr(s_nKeyLength));
}

namespace
{

// No prefix starts with another one, so which row a message matches never depends on the order
// the rows are tried in.
constexpr bool PrefixesAreDistinct()
{
    for (const SMessageKind& a : CMessageKinds::s_Rows)
    {
        for (const SMessageKind& b : CMessageKinds::s_Rows)
        {
            if (&a != &b && a.prefix.starts_with(b.prefix))
            {
                return false;
            }
        }
    }
    return true;
}

static_assert(std::size(CMessageKinds::s_Rows) == 47, "one row per prefix");
static_assert(std::size(CMessageKinds::s_Rows) < s_nSlots / 2, "the lookup table stays sparse");
static_assert(PrefixesAreDistinct());

// Every prefix shorter than the key passes the filter that lets messages try the short keys.
constexpr bool ShortPrefixesAreFiltered()
{
    for (const SMessageKind& row : CMessageKinds::s_Rows)
    {
        const std::wstring_view p = row.prefix;
        if (p.size() < s_nKeyLength &&
            !(p[0] == L'P' || (p[0] == L'$' && (p[1] == L'>' || p[1] == L'R' || p[1] == L'B'))))
        {
            return false;
        }
    }
    return true;
}
static_assert(ShortPrefixesAreFiltered());
static_assert(std::all_of(std::begin(CMessageKinds::s_Rows), std::end(CMessageKinds::s_Rows),
                          [](const SMessageKind& row) { return row.prefix.size() >= 4; }),
              "no prefix is shorter than the shortest key tried");

constexpr std::wstring_view s_Acknowledgement = L"$PASHR,ACK";
constexpr std::wstring_view s_ProprietaryStart = L"$P";

// Proprietary sentences kept as text for the host: longer than a bare tag, at most one NMEA
// sentence (82 characters) and at least 10.
constexpr int s_nMinProprietary = 10;
constexpr int s_nMaxProprietary = 82;

// A message's kind: its row's, unless the kind is checksummed and the checksum fails (asked only
// then).
template <class FChecksumOK>
GPSStringType TypeOf(const SMessageKind* pKind, FChecksumOK isChecksumOK)
{
    if (pKind == nullptr || (IsChecksummedKind(pKind->eType) && !isChecksumOK()))
    {
        return GPS_STRING_UNKNOWN;
    }
    return pKind->eType;
}

// The monitoring bit of a kind; kinds 32 and above share the bits of 0 upward.
DWORD NmeaBit(GPSStringType eType)
{
    return DWORD{1} << (static_cast<unsigned>(eType) % 32U);
}

} // namespace

bool CDOZOzoeiver::Parse(CString& strMessage)
{
    // A port tag ("[COM1]") and whatever precedes it are dropped.
    const std::size_t nTag = sentence_checks::FindPortTag(strMessage.View());
    if (nTag != std::wstring_view::npos)
    {
        const auto nDropped = static_cast<int>(nTag + sentence_checks::s_nPortTagLength);
        strMessage = strMessage.Right(strMessage.GetLength() - nDropped);
    }
    return ParseOfType(strMessage, GetGPSStringType(strMessage));
}

bool CDOZOzoeiver::ParseFramed(CString& strMessage, const CBinBuffer::SMessageFacts& facts)
{
    if (facts.bPortTag)
    {
        return CDOZOzoeiver::Parse(strMessage);
    }
    const SMessageKind* pKind = CMessageKinds::Find(strMessage.View());
    return ParseOfType(strMessage, TypeOf(pKind, [&facts] { return facts.bChecksumOK; }));
}

bool CDOZOzoeiver::ParseOfType(CString& strMessage, GPSStringType eType)
{
    if (m_bMonitorNmea)
    {
        GotNmea(eType);
    }
    return Parse(strMessage, eType);
}

GPSStringType CDOZOzoeiver::GetGPSStringType(const CString& strMessage)
{
    const SMessageKind* pKind = CMessageKinds::Find(strMessage.View());
    return TypeOf(pKind, [this, &strMessage] { return IsChecksumOK(strMessage); });
}

bool CDOZOzoeiver::IsChecksumOK(const CString& strMessage)
{
    return sentence_checks::IsChecksumOK(strMessage.View());
}

bool CDOZOzoeiver::Parse(CString& strMessage, GPSStringType eType)
{
    m_GPSData.m_bProprietary = false;
    bool bPublish = false;
    const SMessageKind& kind = CMessageKinds::OfType(eType);
    switch (kind.eAction)
    {
    case EAction::AsText:
        // A sentence of the receiver's own ("$P...") goes to the host as text.
        if (!strMessage.View().starts_with(s_ProprietaryStart) || strMessage.GetLength() <= 5)
        {
            return false;
        }
        ProcessProprietary(strMessage); // too short or too long: dropped, nothing to report
        break;
    case EAction::Reply:
        if (!kind.pfnParser(*this, strMessage))
        {
            return false;
        }
        break;
    case EAction::Fix:
        if (!kind.pfnParser(*this, strMessage))
        {
            return false;
        }
        if (m_GPSData.m_bPosition && m_bComputeMotion)
        {
            m_SpeedEngine.ComputeMotion(&m_GPSData);
        }
        break;
    case EAction::Gsa:
        if (!kind.pfnParser(*this, strMessage))
        {
            return false;
        }
        m_bGSAReceived = true;
        break;
    case EAction::Gsv:
        // True only for the last sentence of a cycle: the satellites are then published.
        if (!kind.pfnParser(*this, strMessage))
        {
            return false;
        }
        m_bGSVReceived = true;
        bPublish = true;
        break;
    case EAction::Pashr:
        if (strMessage.View().starts_with(s_Acknowledgement))
        {
            // Accepted in every state; the new status makes it a publication of its own.
            m_GPSData.m_Status.m_bAckReceived = true;
            m_GPSData.m_Status.m_bNewStatus = true;
            break;
        }
        // NMEA satellite data takes precedence over the receiver's own satellite and raw
        // replies: once both GSA and GSV have come, these are refused.
        if ((m_bGSAReceived && m_bGSVReceived) || !kind.pfnParser(*this, strMessage))
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
    case EAction::Binary:
        return kind.pfnParser(*this, strMessage);
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
