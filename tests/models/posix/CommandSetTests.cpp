// The models' commands on a pseudo-terminal. Per family, one table of operations with the exact
// bytes written (SiRF frames byte for byte, with their checksums) and the pauses counted through
// the sleep hook; the state a model keeps; the setup Initialize writes; capabilities never offered
// without commands; a closed or vanished port; whole lines from two threads; and resets against a
// simulated receiver, read by the live engine, whose acknowledgements end the waits.
#include "Fixora_Vorn.h"
#include "rawdata/RawBinInterval.h"

#include "support/HostWindow.h"
#include "support/PauseRecorder.h"
#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"
#include "support/ReceiverSimulator.h"
#include "support/TempProfile.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{

constexpr int kPort = 6;
constexpr int kNowhere = 7; // mapped to a device that cannot open
// The operations write before they return, so what they wrote is already waiting.
constexpr std::chrono::milliseconds kQuiet(20);

using Receiver = CDOZOzoeiver;
using Pauses = std::vector<DWORD>;
using Factory = std::unique_ptr<Receiver> (*)();
using Call = std::function<void(Receiver&)>;

template <class... TCalls> std::vector<Call> Calls(TCalls... calls)
{
    return {Call(calls)...};
}

template <class TModel> std::unique_ptr<CDOZOzoeiver> Make()
{
    return std::make_unique<TModel>();
}
template <class TModel> TModel& As(CDOZOzoeiver& model)
{
    return static_cast<TModel&>(model);
}
CGPSStatusData& Status()
{
    return CDOZOzoeiver::m_GPSData.m_Status;
}

// The lines separated by '|', each with its line end.
std::string Lines(const std::string& strLines)
{
    std::string joined;
    std::istringstream in(strLines);
    for (std::string strLine; std::getline(in, strLine, '|');)
        joined += strLine + "\r\n";
    return joined;
}

Pauses Join(std::initializer_list<Pauses> pieces)
{
    Pauses all;
    for (const Pauses& piece : pieces)
        all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

// Bytes from hexadecimal pairs separated by spaces.
std::string Hex(const char* pszPairs)
{
    std::istringstream in(pszPairs);
    std::string bytes;
    for (unsigned nByte = 0; in >> std::hex >> nByte;)
        bytes += static_cast<char>(nByte);
    return bytes;
}

const std::string kAshtechDefault =
    Lines("$PASHS,NME,ALL,A,OFF|$PASHS,NME,GGA,A,ON|$PASHS,NME,GSA,A,ON|$PASHS,NME,VTG,A,ON|"
          "$PASHS,NME,SAT,A,ON|$PASHS,NME,GSV,A,ON");
const std::string kCsiReset = Lines("$PASHS,RST|$PASHS,RTC,AUT,Y|$PASHS,RTC,REM,B|"
                                    "$PASHS,NME,GGA,A,ON|$PASHS,NME,GSA,A,ON|$PASHS,NME,VTG,A,ON|"
                                    "$PASHS,NME,SAT,A,ON|$PASHS,PDP,14|$PASHS,HDP,10|"
                                    "$PASHS,VDP,10|$PASHS,SAV,Y");
const std::string kOemDefault =
    Lines("LOG  GPGGA ONTIME 1 0 NOHOLD|UNLOG  GPGGALONG|UNLOG  GPGGARTK|UNLOG  GPGLL|"
          "UNLOG  GPGRS|LOG  GPGSA ONTIME 1 0 NOHOLD|UNLOG  GPGST|LOG  GPGSV ONTIME 1 0 NOHOLD|"
          "UNLOG  GPRMB|UNLOG  GPRMC|LOG  GPVTG ONTIME 1 0 NOHOLD|UNLOG  GPZDA|UNLOG  GPALM");
const std::string kOemAutomatic =
    Lines("RTKSOURCE AUTO ANY|PSRDIFFSOURCE AUTO ANY|SBASCONTROL ENABLE AUTO");
const std::string kOemDatum = Lines("UNDULATION TABLE|DATUM WGS84");
const std::string kSirfDefault =
    Lines("$PSRF103,00,00,02,01*26|$PSRF103,02,00,02,01*24|$PSRF103,05,00,02,01*23|"
          "$PSRF103,03,00,02,01*25|$PSRF103,04,00,00,01*20|$PSRF103,01,00,00,01*25");
const std::string kSirfNoSource = Hex("A0 A2 00 07 85 00 00 00 00 00 00 00 85 B0 B3");
const std::string kSirfSbasSource = Hex("A0 A2 00 07 85 01 00 00 00 00 00 00 86 B0 B3");

// The SiRF frame back to NMEA at a rate whose low 16 bits and frame checksum are given.
std::string SirfToNmea(const char* pszRateAndChecksum)
{
    return Hex("A0 A2 00 18 81 02") + std::string(20, '\0') + Hex(pszRateAndChecksum) +
           Hex("B0 B3");
}

// The Axis3 raw blocks at one interval, then the save.
std::string Axis3Raw(const std::string& strInterval)
{
    return Lines("$JBIN,96," + strInterval + "|$JBIN,95," + strInterval + "|$JSAVE");
}

// The protected SiRF steps, open to the tests.
template <class TModel> class CSirfProbe : public TModel
{
public:
    using TModel::CheckSum;
    using TModel::SendBinaryMsg;
    using TModel::SendDgpsSourceMsg;
};

// A model whose port cannot open, so the base Initialize fails while the shared port is open all
// the same (another receiver left it open).
template <class TModel> class CFailingOpen : public TModel
{
public:
    bool OpenPort() override { return false; }
};

// An operation on a fresh model with its port open, and what it must write and pause.
struct SRow
{
    const char* legend;
    Factory pfnCreate;
    std::vector<Call> calls; // in order
    std::string bytes;
    Pauses pauses;
    int nBaudRate = 9600;
};

// What a host may call, with the predicate that offers it (none: no predicate offers it).
struct SOperation
{
    const char* legend;
    std::function<bool(Receiver&)> offered;
    Call use;
};
const SOperation kOperations[] = {
    {"raw data", &Receiver::HasRawData, [](auto& m) { m.EnablePostProcessing(true); }},
    {"NMEA query", &Receiver::ImplementsQueryNmea, &Receiver::QueryNmeaActive},
    {"settings query", &Receiver::ImplementsQueryGpsSettings, &Receiver::QueryGpsSettings},
    {"beacon query", &Receiver::ImplementsBeacon, &Receiver::QueryBeacon},
    {"beacon tuning", &Receiver::ImplementsBeacon,
     [](auto& m) { m.SetBeacon(BEACON_MODE_MANUAL, L"305.0", L"200"); }},
    {"mask query", &Receiver::ImplementsSetElevMask, &Receiver::QuerySatElevMask},
    {"mask", &Receiver::ImplementsSetElevMask, [](auto& m) { m.SetSatElevMask(5); }},
    {"default sentences", &Receiver::ImplementsSetNmea, &Receiver::SetDefaultNMEA},
    {"GGA only", &Receiver::ImplementsSetNmea, &Receiver::SetGgaOnlyNMEA},
    {"reset", &Receiver::ImplementsResetAll, [](auto& m) { m.ResetAll(false); }},
    {"differential source", &Receiver::HasDGPSSupport, [](auto& m) { m.SetDgpsMode(DGPS_WAAS); }},
    {"differential query", nullptr, &Receiver::QueryDgpsMode},
    {"OmniSTAR query", nullptr, &Receiver::QueryOmniStar},
    {"differential messages", nullptr, [](auto& m) { m.DgpsStatusMsg(true); }},
    {"L-band satellites", nullptr, &Receiver::QueryLbandSatellites},
    {"L-band frequency", nullptr, [](auto& m) { m.SetLbandFrequency(1557.845, 1200); }},
};

class CommandSetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        ASSERT_TRUE(m_pty.IsValid());
    }
    void TearDown() override { CDOZOzoeiver::m_Port.Close(); }

    // Opens the shared port at the rate, as Initialize would, and forgets the port's own settle
    // pause.
    void OpenFor(CDOZOzoeiver& model, int nBaudRate = 9600)
    {
        model.SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        model.SetProperties(nBaudRate);
        ASSERT_TRUE(model.OpenPort());
        m_pauses.Clear();
    }

    void RunRows(const std::vector<SRow>& rows)
    {
        for (const SRow& row : rows)
        {
            SCOPED_TRACE(row.legend);
            ResetSharedReceiverState();
            g_dRawBinInterval = 0.2;
            const auto model = row.pfnCreate();
            OpenFor(*model, row.nBaudRate);
            for (const Call& call : row.calls)
                call(*model);
            EXPECT_EQ(row.bytes, m_pty.Receive(row.bytes.size(), kQuiet));
            EXPECT_EQ(row.pauses, m_pauses.Pauses());
            CDOZOzoeiver::m_Port.Close();
        }
    }

    CTempProfile m_profile;
    CPseudoTerminal m_pty{kPort};
    CPauseRecorder m_pauses;
};

} // namespace

TEST_F(CommandSetTest, AshtechFamilyFormatsItsArgumentsAndResets)
{
    RunRows({
        {"CSI beacon: automatic ignores the texts, any other mode tunes, bit rate fixed if given",
         &Make<CCSI>,
         Calls([](auto& m) { m.SetBeacon(BEACON_MODE_AUTO, L"305.0", L"200"); },
               [](auto& m) { m.SetBeacon(static_cast<BEACON_MODE_TYPE>(7), L"305.0", L""); },
               [](auto& m) { m.SetBeacon(BEACON_MODE_MANUAL, L"305.0", L"abc"); }),
         Lines("$GPMSK,,A,,A,0|$GPMSK,305.0,M,,A,0|$GPMSK,305.0,M,abc,M,0"), Pauses(3, 200)},
        {"CSI: elevation mask, out of range as given; asked for in the parameter listing",
         &Make<CCSI>,
         Calls([](auto& m) { m.SetSatElevMask(10); }, [](auto& m) { m.SetSatElevMask(-95); },
               &Receiver::QuerySatElevMask),
         Lines("$PASHS,PEM,10|$PASHS,PEM,-95|$PASHQ,PAR"), Pauses{200, 200, 500}},
        {"CSI reset without the window: each acknowledgement time a pause, 3 s to settle",
         &Make<CCSI>, Calls([](auto& m) { EXPECT_TRUE(m.ResetAll(false)); }), kCsiReset,
         Join({{10000, 3000}, Pauses(10, 1000)})},
        {"Starlink: its own mask command", &Make<CStarlink>,
         Calls([](auto& m) { m.SetSatElevMask(10); }), Lines("$PSLIS,ELM,10"), Pauses{200}},
        {"Starlink reset: never a window, 5 s to settle, then the default sentences",
         &Make<CStarlink>, Calls([](auto& m) { EXPECT_TRUE(m.ResetAll(true)); }),
         Lines("$PSLIS,RST,CLR|$PSLIS,NME,ALL,A,OFF|$PSLIS,NME,GGA,A,ON|$PSLIS,NME,GSA,A,ON|"
               "$PSLIS,NME,VTG,A,ON|$PSLIS,NME,GSV,A,ON"),
         Join({{100, 5000}, Pauses(5, 200)})},
        {"Sokkia Axis: the mask inside its settings line, no NMEA or settings query",
         &Make<CSokkia>,
         Calls([](auto& m) { m.SetSatElevMask(10); }, &Receiver::QueryNmeaActive,
               &Receiver::QueryGpsSettings),
         Lines("$PMCAG,008,15,,,,10,,,,,,,,,,,"), Pauses{800}},
    });
}

TEST_F(CommandSetTest, Axis3FamilyAsksForMessage95AtTheRawRateItKeeps)
{
    const auto raw = [](bool bOn, int nRate) {
        return [bOn, nRate](Receiver& m) { As<CSokkiaAxis3>(m).SetRawDataOutput(bOn, nRate); };
    };
    const auto dgps = [](int nMode) {
        return [nMode](Receiver& m) { m.SetDgpsMode(static_cast<DgpsMode>(nMode)); };
    };
    std::vector<SRow> rows = {
        {"fast raw output, then a mask asks for message 95 every 0.2 s; the status listing",
         nullptr,
         Calls(
             raw(true, 5), [](auto& m) { m.SetSatElevMask(10); }, &Receiver::QuerySatElevMask),
         Axis3Raw("0.2") + Lines("$JMASK,10|$JSAVE|$JBIN,95,0.2|$JSHOW"),
         Pauses{800, 2000, 200, 200}},
        {"any other rate runs every second; switching off keeps it for later requests", nullptr,
         Calls(raw(true, 1), raw(false, 5), &Receiver::SetGgaOnlyNMEA),
         Axis3Raw("1") + Axis3Raw("0") + Lines("$JOFF|$JASC,GPGGA,1|$JSAVE|$JBIN,95,1"),
         Pauses{1000, 200, 2000, 200}},
        {"post-processing and intervals: whole seconds, 5 s is the fast rate", nullptr,
         Calls([](auto& m) { EXPECT_TRUE(m.EnablePostProcessing(true)); },
               [](auto& m) { EXPECT_TRUE(m.SetRawDataOutputInterval(0.2)); },
               [](auto& m) { EXPECT_TRUE(m.SetRawDataOutputInterval(5.9)); },
               [](auto& m) { EXPECT_TRUE(m.SetRawDataOutputInterval(1e300)); },
               [](auto& m) { EXPECT_TRUE(m.EnablePostProcessing(false)); }),
         Axis3Raw("1") + Axis3Raw("1") + Axis3Raw("0.2") + Axis3Raw("1") + Axis3Raw("0"), Pauses{}},
        {"L-band frequency in kHz", nullptr,
         Calls([](auto& m) { m.SetLbandFrequency(1545.0, 1200); }),
         Lines("$JFREQ,1545000.000000,1200|$JSAVE|$JBIN,95,0.2"), Pauses{800, 2000, 200}},
        {"beacon automatic and manual, each saved", nullptr,
         Calls([](auto& m) { m.SetBeacon(BEACON_MODE_AUTO, L"305.0", L"200"); },
               [](auto& m) { m.SetBeacon(BEACON_MODE_MANUAL, L"305.0", L""); }),
         Lines("$GPMSK,,A,,A,0|$JSAVE|$GPMSK,305.0,M,,A,0|$JSAVE"), Pauses{200, 2000, 200, 2000}},
        {"differential messages on and off, no pause", nullptr,
         Calls([](auto& m) { m.DgpsStatusMsg(true); }, [](auto& m) { m.DgpsStatusMsg(false); }),
         Lines("$JASC,D1,1|$JASC,D1,0"), Pauses{}},
        {"sources: SBAS loads its application first; those without a command only save", nullptr,
         Calls(dgps(DGPS_OFF), dgps(DGPS_WAAS), dgps(DGPS_CDGPS), dgps(9), dgps(-1)),
         Lines("$JDIFF,OFF|$JSAVE|$JAPP,1|$JDIFF,WAAS|$JSAVE|$JSAVE|$JSAVE|$JSAVE"),
         Pauses{1000, 2000, 5000, 5000, 2000, 2000, 2000, 2000}},
    };
    // CSI - MAX speaks the same language, line for line.
    for (Factory pfnCreate : {&Make<CSokkiaAxis3>, &Make<CCSImax>})
    {
        for (SRow& row : rows)
            row.pfnCreate = pfnCreate;
        RunRows(rows);
    }
}

TEST_F(CommandSetTest, OemBoardFormatsItsArgumentsKeepsItsStateAndResets)
{
    const auto cdgps = [](double dMHz) {
        return [dMHz](Receiver& m) { As<Cgsr2650lb>(m).ChangeCDGPS_Freq(dMHz); };
    };
    // A raw-log step (always true), then whether the logs are on and the period kept.
    const auto raw = [](bool (*pfnStep)(Receiver&), bool bOn, int nInterval) {
        return [=](Receiver& m) {
            EXPECT_TRUE(pfnStep(m));
            EXPECT_EQ(bOn, As<Cgsr2650lb>(m).m_bRawDataOutput.load());
            EXPECT_EQ(nInterval, As<Cgsr2650lb>(m).m_nRawDataInterval.load());
        };
    };
    const auto on = [](const char* pszSeconds) {
        return Lines(std::string("LOG RANGEB ONTIME ") + pszSeconds +
                     "|LOG RAWEPHEMB ONCHANGED|LOG ALMANACB ONCHANGED|SAVECONFIG");
    };
    const std::string off = Lines("UNLOG RANGEB|UNLOG RAWEPHEMB|UNLOG ALMANACB|SAVECONFIG");
    const Pauses logs = {100, 100, 100, 1000};
    RunRows({
        {"settings query is the mask's, L-band the OmniSTAR logs; no differential messages",
         &Make<Cgsr2650lb>,
         Calls(&Receiver::QueryGpsSettings, &Receiver::QueryLbandSatellites,
               [](auto& m) { m.DgpsStatusMsg(true); }),
         Lines("LOG COM2 ECUTOFFA ONCE|LOG OMNIINFOA ONCE|LOG OMNISTATA ONCE|LOG OMNIHPPOSA ONCE"),
         Pauses{100, 200, 200, 200}},
        {"the mask query clears the mask and the news: only the answer sets them",
         &Make<Cgsr2650lb>,
         Calls([](auto&) { Status().m_bElevMask = Status().m_bNewStatus = true; },
               &Receiver::QuerySatElevMask,
               [](auto&) { EXPECT_FALSE(Status().m_bElevMask || Status().m_bNewStatus); }),
         Lines("LOG COM2 ECUTOFFA ONCE"), Pauses{100}},
        {"mask, saved", &Make<Cgsr2650lb>, Calls([](auto& m) { m.SetSatElevMask(10); }),
         Lines("ECUTOFF 10|SAVECONFIG"), Pauses{200, 500}},
        {"beacon: every source automatic, whatever is asked", &Make<Cgsr2650lb>,
         Calls([](auto& m) { m.SetBeacon(BEACON_MODE_MANUAL, L"305.0", L"200"); }), kOemAutomatic,
         Pauses(3, 100)},
        {"a source (the host sees it at once), an unknown one, then the query clears it",
         &Make<Cgsr2650lb>,
         Calls([](auto& m) { m.SetDgpsMode(DGPS_CDGPS); },
               [](auto&) { EXPECT_TRUE(Status().m_bDgpsMode && Status().m_bNewStatus); },
               [](auto&) { EXPECT_EQ(DGPS_CDGPS, Status().m_DgpsMode); },
               [](auto& m) { m.SetDgpsMode(static_cast<DgpsMode>(7)); }, &Receiver::QueryBeacon,
               [](auto&) { EXPECT_FALSE(Status().m_bDgpsMode || Status().m_bNewStatus); },
               [](auto&) { EXPECT_EQ(DGPS_OFF, Status().m_DgpsMode); }),
         kOemDatum + Lines("PSRDIFFSOURCE CDGPS|RTKSOURCE NONE|SBASCONTROL DISABLE AUTO") +
             Lines("SAVECONFIG") + kOemDatum + Lines("SAVECONFIG|LOG COM2 RXCONFIGA ONCE"),
         Join({Pauses(5, 100), {2000, 100, 100, 2000, 100}})},
        {"L-band found automatically (the bit rate ignored), or assigned in kHz; the mode kept",
         &Make<Cgsr2650lb>,
         Calls([](auto& m) { m.SetLbandFrequency(0.0, 1200); },
               [](auto&) { EXPECT_EQ(1, Status().m_nLbandMode); },
               [](auto& m) { m.SetLbandFrequency(1557.845, 1200); },
               [](auto&) { EXPECT_EQ(2, Status().m_nLbandMode); }),
         Lines("RTKSOURCE OMNISTAR ANY|SAVECONFIG|ASSIGNOMNI USER 1557845 1200|SAVECONFIG"),
         Pauses{800, 2000, 800, 2000}},
        {"CDGPS in whole MHz, up to 3000 MHz", &Make<Cgsr2650lb>,
         Calls(cdgps(1547.5), cdgps(3000.0), cdgps(3000.5), cdgps(-1.0)),
         Lines("ASSIGNLBAND CDGPS 1547000 4800|SAVECONFIG|ASSIGNLBAND CDGPS 3000000 4800|"
               "SAVECONFIG"),
         Pauses{100, 1000, 100, 1000}},
        // Off already: nothing; 1.9 s runs at its whole second; off keeps the period; an interval
        // while off switches off again and is not kept; Initialize clears without unlogging.
        {"raw logs follow their state", &Make<Cgsr2650lb>,
         Calls(raw([](auto& m) { return m.EnablePostProcessing(false); }, false, 0),
               raw([](auto& m) { return m.EnablePostProcessing(true); }, true, 1),
               raw([](auto& m) { return m.SetRawDataOutputInterval(1.9); }, true, 1),
               raw([](auto& m) { return m.SetRawDataOutputInterval(5.0); }, true, 5),
               raw([](auto& m) { return m.EnablePostProcessing(false); }, false, 5),
               raw([](auto& m) { return m.SetRawDataOutputInterval(3.0); }, false, 5),
               raw([](auto& m) { return m.Initialize(); }, false, 0)),
         on("1") + on("5") + off + off + kOemDefault,
         Join({logs, logs, logs, logs, Pauses(13, 200)})},
        {"reset: acknowledged (a pause without the window), set up again on beacon sources",
         &Make<Cgsr2650lb>,
         Calls([](auto& m) { EXPECT_TRUE(m.ResetAll(false)); },
               [](auto&) { EXPECT_EQ(DGPS_BEACON, Status().m_DgpsMode); }),
         "RESET 0\r\n" + kOemDefault + kOemDatum + kOemAutomatic + "SAVECONFIG\r\n",
         Join({{10000}, Pauses(13, 200), Pauses(5, 100), {2000, 3000}})},
    });
}

TEST_F(CommandSetTest, SirfFamilyWritesCheckedSentencesAndFrames)
{
    const auto source = [](int nMode) {
        return [nMode](Receiver& m) {
            As<CSirfProbe<CSirf>>(m).SendDgpsSourceMsg(static_cast<DgpsMode>(nMode));
        };
    };
    const Pauses switches = Join({Pauses(3, 3000), Pauses(6, 400)});
    RunRows({
        {"default sentences: four every 2 s, RMC and GLL off", &Make<CSirf>,
         Calls(&Receiver::SetDefaultNMEA), kSirfDefault, Pauses(6, 400), 4800},
        {"SBAS: into binary, the source, back to NMEA, the sentences again", &Make<CHolux>,
         Calls([](auto& m) { m.SetDgpsMode(DGPS_WAAS); }),
         "$PSRF100,0,4800,8,1,0*0F\r\n" + kSirfSbasSource + SirfToNmea("12 C0 01 55") +
             kSirfDefault,
         switches, 4800},
        {"beacon is no source; both switches keep the port's rate", &Make<CToughbookGPS01>,
         Calls([](auto& m) { m.SetDgpsMode(DGPS_BEACON); }),
         "$PSRF100,0,9600,8,1,0*0C\r\n" + kSirfNoSource + SirfToNmea("25 80 01 28") + kSirfDefault,
         switches, 9600},
        {"every mode but SBAS, known or not, is no source", &Make<CSirfProbe<CSirf>>,
         Calls(source(DGPS_OFF), source(DGPS_LBAND), source(DGPS_CDGPS), source(DGPS_OMNISTAR_VBS),
               source(9), source(-1)),
         kSirfNoSource + kSirfNoSource + kSirfNoSource + kSirfNoSource + kSirfNoSource +
             kSirfNoSource,
         Pauses(6, 3000), 4800},
        {"reset: back to NMEA with the rate's low 16 bits, then the sentences", &Make<CSirf>,
         Calls([](auto& m) { EXPECT_TRUE(m.ResetAll(true)); }),
         SirfToNmea("C2 00 01 45") + kSirfDefault, Join({{3000}, Pauses(6, 400)}), 115200},
    });
}

TEST_F(CommandSetTest, SirfFrameWrapsItsPayloadUnchangedAndItsSentencesCarryTheirChecksum)
{
    const std::pair<std::vector<unsigned char>, std::string> frames[] = {
        {{}, Hex("A0 A2 00 00 00 00 B0 B3")},
        // Framing bytes inside the payload are not escaped.
        {{0xA0, 0xA2, 0xB0, 0xB3}, Hex("A0 A2 00 04 A0 A2 B0 B3 02 A5 B0 B3")},
        // Bytes summed unsigned, kept to 15 bits.
        {std::vector<unsigned char>(200, 0xFF),
         Hex("A0 A2 00 C8") + std::string(200, '\xFF') + Hex("47 38 B0 B3")},
        // The largest payload.
        {std::vector<unsigned char>(16384, 0x01),
         Hex("A0 A2 40 00") + std::string(16384, '\x01') + Hex("40 00 B0 B3")},
    };
    CSirfProbe<CSirf> model;
    OpenFor(model, 4800);
    for (auto [payload, frame] : frames)
    {
        SCOPED_TRACE(payload.size());
        // The largest frame is more than the terminal holds: it goes out only while it is read.
        auto sent = std::async(std::launch::async, [&model, &payload] {
            return model.SendBinaryMsg(payload.data(), static_cast<unsigned short>(payload.size()));
        });
        EXPECT_EQ(frame, m_pty.Receive(frame.size(), kQuiet));
        EXPECT_TRUE(sent.get());
    }
    // Beyond the frame buffer, or without a payload, nothing goes out.
    std::vector<unsigned char> tooLong(16385, 0x01);
    EXPECT_FALSE(model.SendBinaryMsg(tooLong.data(), static_cast<unsigned short>(tooLong.size())));
    EXPECT_FALSE(model.SendBinaryMsg(nullptr, 5));
    EXPECT_EQ(0, model.CheckSum(nullptr, 5));
    EXPECT_EQ("", m_pty.Receive(0, kQuiet));
    EXPECT_TRUE(m_pauses.Pauses().empty());

    // A sentence's checksum covers what follows its first dollar; without one it is unchanged.
    const std::pair<const wchar_t*, const wchar_t*> lines[] = {
        {L"$PSRF103,00,00,02,01", L"$PSRF103,00,00,02,01*26"},
        {L"xx$A$B", L"xx$A$B*27"},
        {L"$\u0141", L"$\u0141*41"}, // a wide character counts by its low 8 bits
        {L"$", L"$*00"},
        {L"PSRF103,00", nullptr},
    };
    for (const auto& [pszLine, pszExpected] : lines)
    {
        CString strLine(pszLine);
        EXPECT_EQ(pszExpected != nullptr, AppendNmeaChecksum(strLine));
        EXPECT_EQ(std::wstring(pszExpected != nullptr ? pszExpected : pszLine), strLine.Str());
    }
}

TEST_F(CommandSetTest, InitializeOpensThePortAtTheModelsRateThenWritesItsSetup)
{
    const std::tuple<Factory, std::string, Pauses> rows[] = {
        {&Make<CLeica>,
         Lines("$PMVXG,007,,1,,,,,|$PMVXG,007,GGA,0,1,,1,6,2|$PMVXG,007,GSA,0,1,,1,,,|"
               "$PMVXG,007,GSV,0,1,,5,,,"),
         Pauses(4, 200)},
        {&Make<CSokkia>, Lines("$PMCAG,008,15,,,,,,,,,,5,,,,,"), {500}},
        {&Make<CSokkiaAxis3>, "", {500}},
        {&Make<COtherGps>, "", {}},
    };
    for (const auto& [pfnCreate, bytes, pauses] : rows)
    {
        CDOZOzoeiver::m_GPSData.m_bPosition = true;
        const auto model = pfnCreate();
        SCOPED_TRACE(model->GetName().ToNarrow());
        model->SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        model->SetProperties(19200);
        m_pauses.Clear();
        EXPECT_TRUE(model->Initialize());
        EXPECT_FALSE(CDOZOzoeiver::m_GPSData.m_bPosition) << "the base ran first";
        const termios tio = m_pty.SlaveTermios();
        EXPECT_EQ(static_cast<speed_t>(B19200), cfgetospeed(&tio));
        EXPECT_EQ(bytes, m_pty.Receive(bytes.size(), kQuiet));
        // The port's own settle pause as it opens comes first.
        EXPECT_EQ(Join({{m_pauses.Pauses().at(0)}, pauses}), m_pauses.Pauses());
        CDOZOzoeiver::m_Port.Close();
    }
    // A base that fails stops the setup, even on a port another model left open.
    COtherGps other;
    OpenFor(other);
    CFailingOpen<CLeica> failing;
    failing.SetupReceiver(kPort, 0, 0.0, CString(L""), false);
    EXPECT_FALSE(failing.Initialize());
    EXPECT_TRUE(CDOZOzoeiver::m_Port.IsOpen());
    EXPECT_EQ("", m_pty.Receive(0, kQuiet));
    EXPECT_TRUE(m_pauses.Pauses().empty());
}

TEST_F(CommandSetTest, EveryOfferedOperationSendsAndOnlyTwoModelsNeedAKeepAlive)
{
    int nSilent = 0;
    for (const SReceiverModel& entry : GetReceiverModels())
    {
        SCOPED_TRACE(entry.m_pszClassName);
        std::unique_ptr<CDOZOzoeiver> model(entry.m_pfnCreate());
        OpenFor(*model);
        const auto offered = [&model](const SOperation& op) {
            return op.offered && op.offered(*model);
        };
        const bool bOffersAny =
            std::any_of(std::begin(kOperations), std::end(kOperations), offered);
        for (const SOperation& operation : kOperations)
        {
            SCOPED_TRACE(operation.legend);
            operation.use(*model);
            EXPECT_TRUE(!offered(operation) || m_pty.Receive(1, kQuiet) != "");
            if (bOffersAny)
                m_pty.Flush();
        }
        // A model that offers nothing has no command set: none of its operations sends anything.
        if (!bOffersAny)
        {
            ++nSilent;
            EXPECT_FALSE(model->ResetAll(true));
            EXPECT_FALSE(model->SetRawDataOutputInterval(1.0));
            EXPECT_EQ("", m_pty.Receive(0, kQuiet));
            EXPECT_TRUE(m_pauses.Pauses().empty());
        }
        m_pauses.Clear();
        model->KeepAlive();
        const bool bWakes =
            entry.m_eModel == EReceiverModel::Corvane || entry.m_eModel == EReceiverModel::Leica;
        const std::string keepAlive = bWakes ? "VKR Orlo\r\n" : "";
        EXPECT_EQ(keepAlive, m_pty.Receive(keepAlive.size(), kQuiet));
        EXPECT_TRUE(m_pauses.Pauses().empty()) << "no pause after the keep-alive line";
        CDOZOzoeiver::m_Port.Close();
    }
    // Pinned so that the silent branch cannot quietly stop running.
    EXPECT_EQ(8, nSilent) << "Omnistar, both Corvanes, Leica, Garmin, Javad, Satloc, NMEA-0183";
}

TEST_F(CommandSetTest, AClosedPortTakesNoCommandAndNoPauseButAResetOpensIt)
{
    CComPortMapping nowhere(kNowhere, "/nonexistent/fixora-test-device");
    for (const SReceiverModel& entry : GetReceiverModels())
    {
        SCOPED_TRACE(entry.m_pszClassName);
        std::unique_ptr<CDOZOzoeiver> model(entry.m_pfnCreate());
        model->SetupReceiver(kNowhere, 0, 0.0, CString(L""), false);
        m_pauses.Clear();
        for (const SOperation& operation : kOperations)
            operation.use(*model);
        model->KeepAlive();
        EXPECT_FALSE(model->ResetAll(true)) << "the port cannot open for it";
        const bool bAxis3 =
            model->IsKindOf(RUNTIME_CLASS(CSokkiaAxis3)) || model->IsKindOf(RUNTIME_CLASS(CCSImax));
        const bool bOem = model->IsKindOf(RUNTIME_CLASS(Cgsr2650lb));
        // Raw output: the base refuses a closed port; the Axis3 family and the OEM board, with
        // raw commands of their own, answer true regardless.
        EXPECT_EQ(bAxis3 || bOem, model->EnablePostProcessing(true));
        // Only the Axis3 family's differential source is written without asking the port.
        EXPECT_EQ(bAxis3 ? Pauses({5000, 5000, 2000}) : Pauses(), m_pauses.Pauses());
        EXPECT_FALSE(Status().m_bDgpsMode || Status().m_nLbandMode != 0) << "nothing recorded";
        // A reset initialises the receiver, which opens a port that can open; the OEM board
        // resets only an open one.
        model->SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        model->ResetAll(false);
        EXPECT_EQ(model->ImplementsResetAll() && !bOem, CDOZOzoeiver::m_Port.IsOpen());
        CDOZOzoeiver::m_Port.Close();
        m_pty.Flush();
    }
}

TEST_F(CommandSetTest, AVanishedPortEndsCommandsAtOnce)
{
    CCSI csi;
    OpenFor(csi);
    m_pty.CloseMaster();
    const auto start = std::chrono::steady_clock::now();
    csi.SetDefaultNMEA();
    EXPECT_FALSE(csi.ResetAll(true)) << "no step could be written";
    EXPECT_LT(MillisecondsSince(start), 2000) << "no acknowledgement is awaited";
    // The reset's settle pause comes whatever its line did.
    EXPECT_EQ(Join({Pauses(6, 200), {3000}}), m_pauses.Pauses());
}

TEST_F(CommandSetTest, LinesFromTwoThreadsArriveWhole)
{
    // The acquisition thread's keep-alive lines meet the host's commands on one port.
    CLeica leica;
    CCSI csi;
    OpenFor(csi);
    constexpr int kSelections = 1000;
    constexpr int kKeepAlives = 7500;
    std::thread acquisition([&leica] {
        for (int i = 0; i < kKeepAlives; ++i)
            leica.KeepAlive();
    });
    std::thread host([&csi] {
        for (int i = 0; i < kSelections; ++i)
            csi.SetDefaultNMEA();
    });
    const std::string keepAlive = "VKR Orlo\r\n";
    const std::size_t nExpected =
        kKeepAlives * keepAlive.size() + kSelections * kAshtechDefault.size();
    // Read late and in small bites: the writers then find the line's buffer nearly full and get
    // only a piece of a line in at a time, the moment another line could cut in.
    std::string received;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (std::string chunk = "-"; received.size() < nExpected && !chunk.empty(); received += chunk)
        chunk = m_pty.Receive(1, std::chrono::milliseconds(0));
    acquisition.join();
    host.join();
    EXPECT_EQ(nExpected, received.size());
    // Every line is one of the known lines, whole.
    const std::string known = "\n" + keepAlive + kAshtechDefault;
    std::istringstream in(received);
    int nLines = 0;
    for (std::string strLine; std::getline(in, strLine); ++nLines)
        ASSERT_NE(std::string::npos, known.find("\n" + strLine + "\n"))
            << "a cut line: " << strLine;
    EXPECT_EQ(kKeepAlives + 6 * kSelections, nLines);
}

namespace
{

// The live engine on the test's device: it reads the simulated receiver's answers, publishes them
// and hands them to the acknowledgement waits.
class ResetTest : public CommandSetTest
{
protected:
    // A model that notes when acquisition has initialised it.
    template <class TModel> class CWatched : public TModel
    {
    public:
        bool Initialize() override
        {
            const bool bInitialized = TModel::Initialize();
            ++m_nInitialized;
            return bInitialized;
        }
        std::atomic<int> m_nInitialized{0};
    };

    // Registers the model and runs it; once this returns, the port is open and purged and
    // whatever the device sends is read.
    template <class TModel> CDOZOzoeiver* StartLive()
    {
        auto* pModel = new CWatched<TModel>;
        pModel->SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        EXPECT_TRUE(m_engine.AddReceiver(pModel));
        m_engine.SetReceiver(pModel);
        EXPECT_TRUE(m_engine.Start());
        EXPECT_TRUE(WaitUntil([pModel] { return pModel->m_nInitialized > 0; }));
        m_pauses.Clear();
        return pModel;
    }

    CHostWindow m_host;
    CZIDOvoine m_engine; // last: its thread ends before the window and the device go
};

} // namespace

TEST_F(ResetTest, UnderTheWindowEveryStepWaitsForTheReceiversAcknowledgement)
{
    CReceiverSimulator receiver(m_pty, AshtechAnswers());
    CDOZOzoeiver* pCsi = StartLive<CCSI>();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(pCsi->ResetAll(true));
    EXPECT_LT(MillisecondsSince(start), 5000) << "no step waited out its time";
    EXPECT_EQ(kCsiReset, receiver.Bytes());
    EXPECT_EQ(Pauses{3000}, m_pauses.Pauses()) << "only the settle pause is slept";
    // Every step's acknowledgement reached the host as a status record.
    ASSERT_TRUE(m_host.WaitFor(11, 5000));
    const auto positions = m_host.Positions();
    EXPECT_EQ(11, std::count_if(positions.begin(), positions.end(), [](const auto& message) {
                  return message.pPosition->m_Status.m_bAckReceived;
              }));
}

TEST_F(ResetTest, AStepAnsweredWithARefusalTimesOutAndTheRestAreStillSent)
{
    // The one wait that runs its time (1 s, a wait on the acknowledgement's event): a refusal
    // must not pass for an acknowledgement.
    std::vector<CReceiverSimulator::SRule> rules = AshtechAnswers();
    rules.insert(rules.begin(), {"$PASHS,RTC,AUT", "$PASHR,NAK*30\r\n"});
    CReceiverSimulator receiver(m_pty, rules);
    CDOZOzoeiver* pCsi = StartLive<CCSI>();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(pCsi->ResetAll(true));
    const long long nElapsed = MillisecondsSince(start);
    EXPECT_GE(nElapsed, 950);
    EXPECT_LT(nElapsed, 6000);
    EXPECT_EQ(kCsiReset, receiver.Bytes());
}

TEST_F(ResetTest, AMaskSetIsTheMaskTheReceiverReports)
{
    const std::pair<bool, std::vector<CReceiverSimulator::SRule>> rows[] = {
        // CSI: acknowledged, then in the tagged parameter listing.
        {false, {{"$PASHS,PEM,15", kAshtechAck}, {"$PASHQ,PAR", "$[COM1]PEM:15 ION:N SAV:Y\r\n"}}},
        // Axis3: in the status listing.
        {true, {{"$JSHOW", "$>JSHOW,MASK,15\r\n"}}},
    };
    for (const auto& [bAxis3, rules] : rows)
    {
        SCOPED_TRACE(bAxis3);
        CReceiverSimulator receiver(m_pty, rules);
        CDOZOzoeiver* pModel = bAxis3 ? StartLive<CSokkiaAxis3>() : StartLive<CCSI>();
        m_host.m_Messages.clear();
        pModel->SetSatElevMask(15);
        pModel->QuerySatElevMask();
        ASSERT_TRUE(WaitUntil([&] {
            m_host.Pump();
            const auto positions = m_host.Positions();
            return std::any_of(positions.begin(), positions.end(), [](const auto& message) {
                return message.pPosition->m_Status.m_bElevMask &&
                       message.pPosition->m_Status.m_nElevMask == 15;
            });
        })) << "the reported mask reached the host";
        m_engine.Stop();
    }
}
