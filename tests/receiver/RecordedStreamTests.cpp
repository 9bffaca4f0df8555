// Every recorded stream of tests/data/gpsd replayed through the plain NMEA receiver the way the
// acquisition thread delivers it, with a stand-in host window collecting what is posted. What the
// host receives is compared with what a simple reading of the sentences says it must receive.
#include "models/NmeaModels.h"
#include "support/HostWindow.h"
#include "support/ReceiverProbe.h"
#include "textparse/TextFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{

const std::filesystem::path kStreamDir = std::filesystem::path(FIXORA_TEST_DATA_DIR) / "gpsd";
constexpr double kDegrees = 180.0 / 3.141592653589793;
constexpr int kBufferLimit = 16392; // the engine drops its framing buffer at this size
constexpr int kReadSize = 997;      // bytes per port read; any size frames the same
constexpr int kEngineMinSatellites = 4;

enum class EFeed
{
    Bytes, // CR LF streams: the bytes as the port delivers them
    Lines  // LF-only streams: as the emulation replays a file, each line plus CR LF
};

struct SDelivered
{
    std::string text; // the message text handed to Parse (CR from the stream, LF appended)
    bool bAccepted;   // what Parse answered
};

// Replays one stream into a fresh receiver the way the engine delivers it: append each chunk,
// (drop everything at the buffer limit), attach and parse every whole message, delete its text.
// The host window keeps what was posted.
std::vector<SDelivered> Replay(const char* file, EFeed eFeed, CHostWindow& host)
{
    ResetSharedReceiverState();
    COtherGps receiver;
    receiver.m_nMinSatellites = kEngineMinSatellites; // what the engine hands a new receiver
    std::vector<SDelivered> delivered;
    CBinBuffer buffer;
    auto deliver = [&](CBinBuffer& chunk) {
        buffer += chunk;
        ASSERT_LT(buffer.GetLength(), kBufferLimit);
        buffer.GetCurrentMessage();
        while (buffer.HasMessage())
        {
            std::unique_ptr<CString> pText(buffer.GetMessageAsPtr());
            int nLength = 0;
            const char* pBytes = buffer.GetMessageBin(nLength);
            receiver.AttachRawData(pBytes, nLength);
            std::string text = pText->ToNarrow();
            const bool bAccepted = receiver.Parse(*pText);
            delivered.push_back({std::move(text), bAccepted});
            if (!buffer.Next())
            {
                break;
            }
        }
        buffer.Resize();
    };

    const std::filesystem::path path = kStreamDir / file;
    if (eFeed == EFeed::Bytes)
    {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        EXPECT_FALSE(bytes.empty()) << path;
        for (std::size_t i = 0; i < bytes.size(); i += kReadSize)
        {
            const std::size_t n = std::min<std::size_t>(kReadSize, bytes.size() - i);
            CBinBuffer chunk(bytes.data() + i, static_cast<int>(n));
            deliver(chunk);
        }
    }
    else
    {
        CTextFile reader(false, false);
        EXPECT_TRUE(reader.Open(path.wstring().c_str(), CTextFile::modeRead | CTextFile::typeText))
            << path;
        CString line;
        while (reader.ReadString(line))
        {
            line += L"\r\n";
            CBinBuffer chunk(line);
            deliver(chunk);
        }
    }
    host.Pump();
    return delivered;
}

// ---- what the sentences say --------------------------------------------------------------------
// A reading of each delivered text written for this test: its checksum, its kind and the fields
// that decide whether a receiver takes it, with no call into the library's parsers.

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// The fields between "$" and "*" (the "$" kept on the tag).
std::vector<std::string> Fields(const std::string& text)
{
    std::vector<std::string> fields(1);
    for (char c : text.substr(0, text.find('*')))
    {
        if (c == ',')
        {
            fields.emplace_back();
        }
        else
        {
            fields.back() += c;
        }
    }
    return fields;
}

bool ChecksumMatches(const std::string& text)
{
    const std::size_t nStar = text.find('*');
    if (nStar == std::string::npos || nStar < 2)
    {
        return false;
    }
    unsigned nSum = 0;
    for (std::size_t i = 1; i < nStar; ++i)
    {
        nSum ^= static_cast<unsigned char>(text[i]);
    }
    const std::string digits = text.substr(nStar + 1, 4);
    return (std::strtoul(digits.c_str(), nullptr, 16) & 0xFFU) == nSum;
}

bool IsNumber(const std::string& field)
{
    char* pEnd = nullptr;
    std::strtod(field.c_str(), &pEnd);
    return !field.empty() && *pEnd == '\0' && field.find_first_of("eEnNxX") == std::string::npos;
}

bool IsWhole(const std::string& field)
{
    return IsNumber(field) && std::fmod(std::strtod(field.c_str(), nullptr), 1.0) == 0.0;
}

bool FieldIs(const std::vector<std::string>& f, std::size_t i, char letter)
{
    return i < f.size() && f[i].size() == 1 && std::toupper(f[i][0]) == letter;
}

bool NumbersAt(const std::vector<std::string>& f, std::initializer_list<std::size_t> indexes)
{
    for (std::size_t i : indexes)
    {
        if (i >= f.size() || !IsNumber(f[i]))
        {
            return false;
        }
    }
    return true;
}

struct SExpected
{
    int nPositions = 0;   // records with m_bPosition set
    int nProprietary = 0; // records with m_bProprietary set
    int nRecords = 0;     // every WM_GPS_POSITION record
    int nCycleEnds = 0;   // GSV sentences numbered as the last of their cycle
    bool bCleanCycles = true;
    std::string unforeseen; // a message this reading cannot judge
};

SExpected ReadSentences(const std::vector<SDelivered>& delivered)
{
    SExpected e;
    bool bLost = false; // a GGA that failed left "position lost" waiting for a publication
    int nNextGSV = 1;
    bool bGSA = false;
    bool bGSV = false;
    for (const SDelivered& m : delivered)
    {
        const std::string& s = m.text;
        const std::vector<std::string> f = Fields(s);
        enum
        {
            Nothing, // refused before anything is published
            Taken,   // accepted: publishes what is waiting
            Forced,  // accepted and published even with nothing waiting
            Fix,     // a GGA that is taken: one position record
            FixLost, // a GGA that fails after its position group was marked new
            Proprietary
        } effect = Nothing;
        const bool bChecksum = ChecksumMatches(s);
        if ((StartsWith(s, "$GPGGA") || StartsWith(s, "$GNGGA")) && bChecksum)
        {
            const bool bFix = NumbersAt(f, {1, 2, 4, 8, 9}) && f.size() > 10 && IsWhole(f[6]) &&
                              IsWhole(f[7]) && FieldIs(f, 10, 'M');
            effect = bFix ? Fix : FixLost;
        }
        else if (StartsWith(s, "$INGGA") && bChecksum)
        {
            // Satellites, HDOP and altitude may be missing; the altitude unit may not.
            const bool bFix =
                NumbersAt(f, {1, 2, 4}) && f.size() > 6 && IsWhole(f[6]) && FieldIs(f, 10, 'M');
            effect = bFix ? Fix : FixLost;
        }
        else if ((StartsWith(s, "$GPGSA") || StartsWith(s, "$GNGSA")) && bChecksum)
        {
            effect = Taken;
            bGSA = true;
        }
        else if ((StartsWith(s, "$GPGSV") || StartsWith(s, "$GNGSV") || StartsWith(s, "$GLGSV") ||
                  StartsWith(s, "$BDGSV")) &&
                 bChecksum && f.size() > 3 && IsWhole(f[1]) && IsWhole(f[2]))
        {
            const int nTotal = std::atoi(f[1].c_str());
            const int n = std::atoi(f[2].c_str());
            e.bCleanCycles = e.bCleanCycles && n == nNextGSV && IsWhole(f[3]);
            e.nCycleEnds += n == nTotal ? 1 : 0;
            if (n != nNextGSV && n != 1)
            {
                nNextGSV = 1;
            }
            else
            {
                nNextGSV = n < nTotal ? n + 1 : 1;
                if (n == nTotal && IsWhole(f[3]))
                {
                    effect = Forced;
                    bGSV = true;
                }
            }
        }
        else if ((StartsWith(s, "$GPVTG") || StartsWith(s, "$GNVTG")) && bChecksum)
        {
            effect = FieldIs(f, 2, 'T') && FieldIs(f, 8, 'K') ? Taken : Nothing;
        }
        else if (StartsWith(s, "$PGRME"))
        {
            effect =
                FieldIs(f, 2, 'M') && FieldIs(f, 4, 'M') && FieldIs(f, 6, 'M') ? Taken : Nothing;
        }
        else if (StartsWith(s, "$PASHR"))
        {
            if (StartsWith(s, "$PASHR,ACK"))
            {
                effect = Forced;
            }
            else if (!(bGSA && bGSV))
            {
                e.unforeseen = s; // an Ashtech reply the receiver would parse
            }
        }
        else if (StartsWith(s, "$P") && s.size() > 5)
        {
            // Unknown to the receiver: kept as text when it is 10 to 82 characters long.
            effect = s.size() >= 10 && s.size() <= 82 ? Proprietary : Taken;
        }

        const bool bPublish = effect == Fix || effect == Forced || effect == Proprietary ||
                              (effect == Taken && bLost);
        e.nRecords += bPublish ? 1 : 0;
        e.nProprietary += effect == Proprietary ? 1 : 0;
        e.nPositions += effect == Fix || ((effect == Taken || effect == Forced) && bLost) ? 1 : 0;
        if (effect == FixLost)
        {
            bLost = true;
        }
        else if (bPublish)
        {
            bLost = false;
        }
    }
    return e;
}

bool IsGSV(const std::string& s)
{
    return s.size() > 6 && s[0] == '$' && s.compare(3, 3, "GSV") == 0;
}

// ---- counts ------------------------------------------------------------------------------------

struct SStreamRow
{
    const char* legend; // the file
    EFeed eFeed;
    int nPositions;
    int nProprietary;
    int nRecords;
    int nCycles; // completed GSV cycles; -1 where the stream's cycles are broken
};

// Read off the replay once and checked against the sentences by hand where they surprise.
const SStreamRow kStreams[] = {
    {"GPSmap-76S.log", EFeed::Bytes, 12, 0, 24, 12},
    {"ac12_binary.log", EFeed::Bytes, 5, 0, 10, 5}, // Ashtech replies refused after GSA and GSV
    {"beidou-bd.log", EFeed::Bytes, 10, 11, 25, 4},
    {"ch-4701.log", EFeed::Bytes, 26, 27, 57, 4}, // the header swallows the first GGA
    {"eXplorist110.log", EFeed::Bytes, 9, 0, 18, 9},
    {"firefly-II.log", EFeed::Bytes, 0, 0, 0, 0}, // every GGA fails its checksum
    {"garmin17n.log", EFeed::Lines, 2, 7, 9, -1},
    {"garmin48.log", EFeed::Bytes, 7, 14, 28, 7},
    {"holux-gm-210.log", EFeed::Lines, 11, 0, 13, 2}, // one GGA cut before its checksum
    {"humminbird-M37.log", EFeed::Lines, 8, 0, 8, 0},
    {"isync.log", EFeed::Lines, 12, 11, 28, -1},
    {"mtk-3301.log", EFeed::Lines, 11, 4, 18, 3}, // empty HDOP: lost, published by the GSA
    {"myguide-3100.log", EFeed::Bytes, 13, 0, 26, 13},
    {"navika-100-fix.log", EFeed::Bytes, 20, 0, 40, 20},
    {"neo-m8n.log", EFeed::Bytes, 23, 0, 68, 45},
    {"nmea-rtk.log", EFeed::Bytes, 122, 0, 122, 0},
    {"rx210.log", EFeed::Bytes, 46, 0, 49, 4},   // 40 fixes, 6 runs of lost fixes published
    {"saab-r4.log", EFeed::Lines, 0, 12, 12, 0}, // each lost fix is overtaken by a $PFEC text
    {"skytraq-PX1172RH_DS.log", EFeed::Bytes, 9, 36, 54, 9},
    {"ublox-zed-f9p-nmea.log", EFeed::Bytes, 29, 0, 145, 116},
    {"ublox8-uniqid-monhw.log", EFeed::Bytes, 4, 0, 14, 10},
};

TEST(RecordedStreamReplay, RecordsFollowFromTheSentences)
{
    for (const SStreamRow& row : kStreams)
    {
        SCOPED_TRACE(row.legend);
        CHostWindow host;
        const std::vector<SDelivered> delivered = Replay(row.legend, row.eFeed, host);
        const SExpected expected = ReadSentences(delivered);
        EXPECT_EQ("", expected.unforeseen);

        int nPositions = 0;
        int nProprietary = 0;
        for (const CHostWindow::SMessage& m : host.m_Messages)
        {
            ASSERT_EQ(WM_GPS_POSITION, m.nMessage);
            nPositions += m.pPosition->m_bPosition ? 1 : 0;
            nProprietary += m.pPosition->m_bProprietary ? 1 : 0;
        }
        int nCycles = 0;
        for (const SDelivered& m : delivered)
        {
            nCycles += IsGSV(m.text) && m.bAccepted ? 1 : 0;
        }

        // The table pins what the reading of the sentences says; the receiver must agree.
        EXPECT_EQ(row.nPositions, expected.nPositions);
        EXPECT_EQ(row.nPositions, nPositions);
        EXPECT_EQ(row.nProprietary, expected.nProprietary);
        EXPECT_EQ(row.nProprietary, nProprietary);
        EXPECT_EQ(row.nRecords, expected.nRecords);
        EXPECT_EQ(row.nRecords, static_cast<int>(host.m_Messages.size()));
        EXPECT_EQ(row.nCycles >= 0, expected.bCleanCycles);
        if (row.nCycles >= 0)
        {
            EXPECT_EQ(row.nCycles, expected.nCycleEnds);
            EXPECT_EQ(row.nCycles, nCycles);
        }
    }
}

// ---- spot values -------------------------------------------------------------------------------

struct SFixRow
{
    const char* legend;
    const char* file;
    EFeed eFeed;
    double dUTCTime;   // seconds of the day: finds the fix among the records
    double dLatitude;  // degrees
    double dLongitude; // degrees
    UDF_SIGNAL_STATUS eStatus;
    int nSatellites;
    double dHDOP;
    double dAltitude;
    double adErrors[3]; // PGRME horizontal, vertical, spherical; 0 where the stream has none
};

// clang-format off
const SFixRow kFixes[] = {
    // $GPGGA,223251.00,3757.92653,N,12231.94543,W,1,05,1.20,9.2,M,-25.1,M,,*6C
    {"western", "navika-100-fix.log", EFeed::Bytes, 81171.0,
     37.965442167, -122.532423833, UDF_SIGNAL_GPS, 5, 1.2, 9.2, {}},
    // $GNGGA,003956.00,4552.65403,S,17030.00668,E,1,12,0.64,14.2,M,1.8,M,,*56
    {"southern", "ublox-zed-f9p-nmea.log", EFeed::Bytes, 2396.0,
     -45.877567167, 170.500111333, UDF_SIGNAL_GPS, 12, 0.64, 14.2, {}},
    // $GNGGA,133859.80,4134.50180205,N,09345.03586649,W,4,19,0.7,280.827,M,-31.442,M,5.8,0002*6D
    {"RTK fixed", "nmea-rtk.log", EFeed::Bytes, 49139.8,
     41.575030034, -93.750597775, UDF_SIGNAL_RTK_FIXED, 19, 0.7, 280.827, {}},
    // $INGGA,194104,4426.1138,N,07140.5536,W,2,10,0.9,267.9,M,,,,*13 (inertial: computed)
    {"INGGA", "humminbird-M37.log", EFeed::Lines, 70864.0,
     44.43523, -71.675893333, UDF_SIGNAL_CALCULATED, 10, 0.9, 267.9, {}},
    // $GPGGA,225310,4527.458,S,16709.165,E,1,05,2.1,14.6,M,1.1,M,,*5B
    // carries the errors sent in the cycle before: $PGRME,9.1,M,15.0,M,12.0,M*21
    {"Garmin errors", "garmin48.log", EFeed::Bytes, 82390.0,
     -45.457633333, 167.15275, UDF_SIGNAL_GPS, 5, 2.1, 14.6, {9.1, 15.0, 12.0}},
    // $GPGGA,183530.00,2037.76012,N,08704.07373,W,1,03,2.2,072.35,M,-13.9,M,,*6B
    // three satellites, fewer than the engine's minimum of four: no fix, the position still given
    {"three satellites", "ac12_binary.log", EFeed::Bytes, 66930.0,
     20.629335333, -87.0678955, UDF_SIGNAL_NONE, 3, 2.2, 72.35, {}},
};
// clang-format on

TEST(RecordedStreamReplay, FixesCarryTheirSentencesValues)
{
    for (const SFixRow& row : kFixes)
    {
        SCOPED_TRACE(row.legend);
        CHostWindow host;
        Replay(row.file, row.eFeed, host);
        const CGPSData* pFix = nullptr;
        for (const CHostWindow::SMessage& m : host.Positions())
        {
            if (m.pPosition->m_bPosition && std::abs(m.pPosition->m_dUTCTime - row.dUTCTime) < 1e-6)
            {
                pFix = m.pPosition.get();
                break;
            }
        }
        ASSERT_NE(nullptr, pFix) << "no position record at " << row.dUTCTime << " s";
        EXPECT_NEAR(row.dLatitude, pFix->m_dLatitude * kDegrees, 1e-8);
        EXPECT_NEAR(row.dLongitude, pFix->m_dLongitude * kDegrees, 1e-8);
        EXPECT_EQ(row.eStatus, pFix->m_SignalStatus);
        EXPECT_EQ(row.nSatellites, pFix->m_nSatellitesUsed);
        EXPECT_DOUBLE_EQ(row.dHDOP, pFix->m_dHDOP);
        EXPECT_DOUBLE_EQ(row.dAltitude, pFix->m_dAltitude);
        EXPECT_DOUBLE_EQ(row.adErrors[0], pFix->m_dHorzError);
        EXPECT_DOUBLE_EQ(row.adErrors[1], pFix->m_dVertError);
        EXPECT_DOUBLE_EQ(row.adErrors[2], pFix->m_dSphericalError);
    }
}

} // namespace
