// The command sets of the Ashtech and Axis3 families on a pseudo-terminal: the exact lines of each
// operation in order with the pauses after them (counted through the sleep hook), a capability
// never offered without its commands, a closed or vanished port, and whole lines when two threads
// write at once.
#include "Fixora_Vorn.h"
#include "rawdata/RawBinInterval.h"

#include "support/PauseRecorder.h"
#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace
{

constexpr int kPort = 6;
// The operations write before they return, so what they wrote is already waiting.
constexpr std::chrono::milliseconds kQuiet(20);

template <class TModel> std::unique_ptr<CDOZOzoeiver> Make()
{
    return std::make_unique<TModel>();
}

// An operation, its arguments, and what it must write and pause.
struct SCommandRow
{
    const char* legend;
    std::unique_ptr<CDOZOzoeiver> (*pfnCreate)();
    void (*pfnCall)(CDOZOzoeiver& model);
    std::string lines;
    std::vector<DWORD> pauses;
};

class CommandSetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        g_dRawBinInterval = 0.2;
        ASSERT_TRUE(m_pty.IsValid());
    }
    void TearDown() override { CDOZOzoeiver::m_Port.Close(); }

    // Opens the shared port on the test's device, as Initialize would, and forgets the port's
    // own settle pause.
    void OpenFor(CDOZOzoeiver& model)
    {
        model.SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        ASSERT_TRUE(model.OpenPort());
        m_pauses.Clear();
    }

    void RunRows(const std::vector<SCommandRow>& rows)
    {
        for (const SCommandRow& row : rows)
        {
            SCOPED_TRACE(row.legend);
            g_dRawBinInterval = 0.2;
            const auto model = row.pfnCreate();
            OpenFor(*model);
            row.pfnCall(*model);
            EXPECT_EQ(row.lines, m_pty.Receive(row.lines.size(), kQuiet));
            EXPECT_EQ(row.pauses, m_pauses.Pauses());
            CDOZOzoeiver::m_Port.Close();
        }
    }

    CPseudoTerminal m_pty{kPort};
    CPauseRecorder m_pauses;
};

template <class TModel> TModel& As(CDOZOzoeiver& model)
{
    return static_cast<TModel&>(model);
}

} // namespace

TEST_F(CommandSetTest, AshtechFamilyWritesEachOperationsLinesAndPauses)
{
    const std::string ashtechDefault = "$PASHS,NME,ALL,A,OFF\r\n"
                                       "$PASHS,NME,GGA,A,ON\r\n"
                                       "$PASHS,NME,GSA,A,ON\r\n"
                                       "$PASHS,NME,VTG,A,ON\r\n"
                                       "$PASHS,NME,SAT,A,ON\r\n"
                                       "$PASHS,NME,GSV,A,ON\r\n";
    const std::vector<DWORD> six(6, 200);
    RunRows({
        {"Ashtech: default sentences", &Make<CAshtech>, [](auto& m) { m.SetDefaultNMEA(); },
         ashtechDefault, six},
        {"Racal: Ashtech's default sentences", &Make<CRacal>, [](auto& m) { m.SetDefaultNMEA(); },
         ashtechDefault, six},
        {"CSI: GGA only",
         &Make<CCSI>,
         [](auto& m) { m.SetGgaOnlyNMEA(); },
         "$PASHS,NME,ALL,A,OFF\r\n$PASHS,NME,GGA,A,ON\r\n",
         {200, 200}},
        {"CSI: every query is the parameter listing",
         &Make<CCSI>,
         [](auto& m) {
             As<CCSI>(m).QueryPAR();
             m.QueryNmeaActive();
             m.QueryGpsSettings();
             m.QuerySatElevMask();
         },
         "$PASHQ,PAR\r\n$PASHQ,PAR\r\n$PASHQ,PAR\r\n$PASHQ,PAR\r\n",
         {500, 500, 500, 500}},
        {"CSI: beacon status and tuning",
         &Make<CCSI>,
         [](auto& m) { m.QueryBeacon(); },
         "$GPCRQ,MSS\r\n$GPCRQ,MSK\r\n",
         {200, 200}},
        {"CSI: automatic beacon ignores the texts",
         &Make<CCSI>,
         [](auto& m) { m.SetBeacon(BEACON_MODE_AUTO, L"305.0", L"200"); },
         "$GPMSK,,A,,A,0\r\n",
         {200}},
        {"CSI: beacon frequency with automatic bit rate, any mode but 0 is manual",
         &Make<CCSI>,
         [](auto& m) { m.SetBeacon(static_cast<BEACON_MODE_TYPE>(7), L"305.0", L""); },
         "$GPMSK,305.0,M,,A,0\r\n",
         {200}},
        {"CSI: beacon frequency and bit rate, written unchecked",
         &Make<CCSI>,
         [](auto& m) { m.SetBeacon(BEACON_MODE_MANUAL, L"305.0", L"abc"); },
         "$GPMSK,305.0,M,abc,M,0\r\n",
         {200}},
        {"CSI: elevation mask, out of range as given",
         &Make<CCSI>,
         [](auto& m) {
             m.SetSatElevMask(10);
             m.SetSatElevMask(-95);
         },
         "$PASHS,PEM,10\r\n$PASHS,PEM,-95\r\n",
         {200, 200}},
        {"Starlink: default sentences, no satellite sentence", &Make<CStarlink>,
         [](auto& m) { m.SetDefaultNMEA(); },
         "$PSLIS,NME,ALL,A,OFF\r\n$PSLIS,NME,GGA,A,ON\r\n$PSLIS,NME,GSA,A,ON\r\n"
         "$PSLIS,NME,VTG,A,ON\r\n$PSLIS,NME,GSV,A,ON\r\n",
         std::vector<DWORD>(5, 200)},
        {"Starlink: GGA only",
         &Make<CStarlink>,
         [](auto& m) { m.SetGgaOnlyNMEA(); },
         "$PSLIS,NME,ALL,A,OFF\r\n$PSLIS,NME,GGA,A,ON\r\n",
         {200, 200}},
        {"Starlink: queries, and no settings query of its own",
         &Make<CStarlink>,
         [](auto& m) {
             As<CStarlink>(m).QueryPAR();
             m.QueryNmeaActive();
             m.QuerySatElevMask();
             m.QueryGpsSettings();
             m.QueryBeacon();
         },
         "$PSLIQ,PAR\r\n$PSLIQ,PAR\r\n$PSLIQ,PAR\r\n$PSLIQ,NME,MSS\r\n$PSLIQ,NME,MSK\r\n",
         {500, 500, 500, 200, 200}},
        {"Starlink: beacon and mask",
         &Make<CStarlink>,
         [](auto& m) {
             m.SetBeacon(BEACON_MODE_MANUAL, L"305.0", L"200");
             m.SetSatElevMask(10);
         },
         "$GPMSK,305.0,M,200,M,0\r\n$PSLIS,ELM,10\r\n",
         {200, 200}},
        {"Sokkia Axis: one line selects the sentences",
         &Make<CSokkia>,
         [](auto& m) {
             m.SetDefaultNMEA();
             m.SetGgaOnlyNMEA();
         },
         "$PMCAG,005,0,900,0,906,0,907,0,GGA,1,GSA,1,VTG,1,GSV,1,ZDA,0,RMC,0,GLL,0\r\n"
         "$PMCAG,005,0,900,0,906,0,907,0,GGA,1,GSA,0,VTG,0,GSV,0,ZDA,0,RMC,0,GLL,0\r\n",
         {1000, 1000}},
        {"Sokkia Axis: mask, beacon, no NMEA query",
         &Make<CSokkia>,
         [](auto& m) {
             m.QuerySatElevMask();
             m.SetSatElevMask(10);
             m.QueryBeacon();
             m.SetBeacon(BEACON_MODE_AUTO, L"", L"");
             m.QueryNmeaActive();
             m.QueryGpsSettings();
         },
         "$PMCAG,004,908\r\n$PMCAG,008,15,,,,10,,,,,,,,,,,\r\n$GPCRQ,MSS\r\n$GPCRQ,MSK\r\n"
         "$GPMSK,,A,,A,0\r\n",
         {200, 800, 200, 200, 200}},
    });
}

TEST_F(CommandSetTest, Axis3FamilyWritesEachOperationsLinesAndPauses)
{
    const std::string save = "$JSAVE\r\n";
    std::vector<SCommandRow> rows = {
        {"fast raw output, then a mask asks for message 95 every 0.2 s",
         nullptr,
         [](auto& m) {
             As<CSokkiaAxis3>(m).SetRawDataOutput(true, 5);
             m.SetSatElevMask(10);
         },
         "$JBIN,96,0.2\r\n$JBIN,95,0.2\r\n$JSAVE\r\n$JMASK,10\r\n$JSAVE\r\n$JBIN,95,0.2\r\n",
         {800, 2000, 200}},
        {"any other rate runs every second",
         nullptr,
         [](auto& m) {
             As<CSokkiaAxis3>(m).SetRawDataOutput(true, 1);
             m.SetGgaOnlyNMEA();
         },
         "$JBIN,96,1\r\n$JBIN,95,1\r\n$JSAVE\r\n"
         "$JOFF\r\n$JASC,GPGGA,1\r\n$JSAVE\r\n$JBIN,95,1\r\n",
         {1000, 200, 2000, 200}},
        {"switching off keeps the last rate for later requests",
         nullptr,
         [](auto& m) {
             As<CSokkiaAxis3>(m).SetRawDataOutput(true, 1);
             As<CSokkiaAxis3>(m).SetRawDataOutput(false, 5);
             m.SetDefaultNMEA();
         },
         "$JBIN,96,1\r\n$JBIN,95,1\r\n$JSAVE\r\n$JBIN,96,0\r\n$JBIN,95,0\r\n$JSAVE\r\n"
         "$JOFF\r\n$JASC,GPGGA,1\r\n$JASC,GPGSA,1\r\n$JASC,GPVTG,1\r\n$JASC,GPGSV,1\r\n"
         "$JSAVE\r\n$JBIN,95,1\r\n",
         {1000, 200, 200, 200, 200, 2000, 200}},
        {"post-processing and intervals: whole seconds, 5 s is the fast rate",
         nullptr,
         [](auto& m) {
             EXPECT_TRUE(m.EnablePostProcessing(true));
             EXPECT_TRUE(m.SetRawDataOutputInterval(0.2));
             EXPECT_TRUE(m.SetRawDataOutputInterval(5.9));
             EXPECT_TRUE(m.SetRawDataOutputInterval(1e300));
             EXPECT_TRUE(m.EnablePostProcessing(false));
         },
         "$JBIN,96,1\r\n$JBIN,95,1\r\n$JSAVE\r\n$JBIN,96,1\r\n$JBIN,95,1\r\n$JSAVE\r\n"
         "$JBIN,96,0.2\r\n$JBIN,95,0.2\r\n$JSAVE\r\n$JBIN,96,1\r\n$JBIN,95,1\r\n$JSAVE\r\n"
         "$JBIN,96,0\r\n$JBIN,95,0\r\n$JSAVE\r\n",
         {}},
        {"every status query is the status listing",
         nullptr,
         [](auto& m) {
             As<CSokkiaAxis3>(m).QueryJSHOW();
             m.QueryNmeaActive();
             m.QuerySatElevMask();
             m.QueryDgpsMode();
             m.QueryGpsSettings();
         },
         "$JSHOW\r\n$JSHOW\r\n$JSHOW\r\n$JSHOW\r\n",
         {200, 200, 200, 200}},
        {"L-band queries",
         nullptr,
         [](auto& m) {
             m.QueryOmniStar();
             m.QueryLbandSatellites();
         },
         "$JI\r\n$JGEO\r\n$JSHOW\r\n$JLBEAM\r\n",
         {200, 200, 200, 200}},
        {"L-band frequency in kHz",
         nullptr,
         [](auto& m) { m.SetLbandFrequency(1545.0, 1200); },
         "$JFREQ,1545000.000000,1200\r\n$JSAVE\r\n$JBIN,95,0.2\r\n",
         {800, 2000, 200}},
        {"beacon: query, automatic and manual, each saved",
         nullptr,
         [](auto& m) {
             m.QueryBeacon();
             m.SetBeacon(BEACON_MODE_AUTO, L"305.0", L"200");
             m.SetBeacon(BEACON_MODE_MANUAL, L"305.0", L"");
         },
         "$GPCRQ,MSS\r\n$GPCRQ,MSK\r\n$GPMSK,,A,,A,0\r\n$JSAVE\r\n$GPMSK,305.0,M,,A,0\r\n"
         "$JSAVE\r\n",
         {200, 200, 200, 2000, 200, 2000}},
        {"differential messages on and off, no pause",
         nullptr,
         [](auto& m) {
             m.DgpsStatusMsg(true);
             m.DgpsStatusMsg(false);
         },
         "$JASC,D1,1\r\n$JASC,D1,0\r\n",
         {}},
        {"differential off and beacon",
         nullptr,
         [](auto& m) {
             m.SetDgpsMode(DGPS_OFF);
             m.SetDgpsMode(DGPS_BEACON);
         },
         "$JDIFF,OFF\r\n$JSAVE\r\n$JDIFF,BEACON\r\n$JSAVE\r\n",
         {1000, 2000, 1000, 2000}},
        {"satellite services load their application first",
         nullptr,
         [](auto& m) {
             m.SetDgpsMode(DGPS_LBAND);
             m.SetDgpsMode(DGPS_WAAS);
         },
         "$JAPP,2\r\n$JDIFF,LBAND\r\n$JSAVE\r\n$JAPP,1\r\n$JDIFF,WAAS\r\n$JSAVE\r\n",
         {5000, 5000, 2000, 5000, 5000, 2000}},
        {"sources without a command and unknown values only save",
         nullptr,
         [](auto& m) {
             m.SetDgpsMode(DGPS_CDGPS);
             m.SetDgpsMode(DGPS_OMNISTAR_VBS);
             m.SetDgpsMode(static_cast<DgpsMode>(9));
             m.SetDgpsMode(static_cast<DgpsMode>(-1));
         },
         save + save + save + save,
         {2000, 2000, 2000, 2000}},
    };
    // CSI - MAX speaks the same language, line for line.
    for (auto pfnCreate : {&Make<CSokkiaAxis3>, &Make<CCSImax>})
    {
        for (SCommandRow& row : rows)
        {
            row.pfnCreate = pfnCreate;
        }
        RunRows(rows);
    }
}

TEST_F(CommandSetTest, EveryClaimedCapabilitySendsItsCommands)
{
    // What a host may call once a predicate says yes; each call must reach the receiver.
    struct SCapability
    {
        const char* legend;
        bool (*pfnClaims)(CDOZOzoeiver& model);
        void (*pfnUse)(CDOZOzoeiver& model);
    };
    const SCapability capabilities[] = {
        {"raw data", [](auto& m) { return m.HasRawData(); },
         [](auto& m) { m.EnablePostProcessing(true); }},
        {"NMEA query", [](auto& m) { return m.ImplementsQueryNmea(); },
         [](auto& m) { m.QueryNmeaActive(); }},
        {"settings query", [](auto& m) { return m.ImplementsQueryGpsSettings(); },
         [](auto& m) { m.QueryGpsSettings(); }},
        {"beacon query", [](auto& m) { return m.ImplementsBeacon(); },
         [](auto& m) { m.QueryBeacon(); }},
        {"beacon tuning", [](auto& m) { return m.ImplementsBeacon(); },
         [](auto& m) { m.SetBeacon(BEACON_MODE_AUTO, L"", L""); }},
        {"mask query", [](auto& m) { return m.ImplementsSetElevMask(); },
         [](auto& m) { m.QuerySatElevMask(); }},
        {"mask", [](auto& m) { return m.ImplementsSetElevMask(); },
         [](auto& m) { m.SetSatElevMask(5); }},
        {"default sentences", [](auto& m) { return m.ImplementsSetNmea(); },
         [](auto& m) { m.SetDefaultNMEA(); }},
        {"GGA only", [](auto& m) { return m.ImplementsSetNmea(); },
         [](auto& m) { m.SetGgaOnlyNMEA(); }},
        {"reset", [](auto& m) { return m.ImplementsResetAll(); },
         [](auto& m) { m.ResetAll(false); }},
        {"differential source", [](auto& m) { return m.HasDGPSSupport(); },
         [](auto& m) { m.SetDgpsMode(DGPS_WAAS); }},
    };
    std::set<std::string> silent;
    for (const SReceiverModel& entry : GetReceiverModels())
    {
        SCOPED_TRACE(entry.m_pszClassName);
        std::unique_ptr<CDOZOzoeiver> model(entry.m_pfnCreate());
        bool bClaimsAny = false;
        for (const SCapability& capability : capabilities)
        {
            SCOPED_TRACE(capability.legend);
            OpenFor(*model);
            const bool bClaims = capability.pfnClaims(*model);
            bClaimsAny = bClaimsAny || bClaims;
            capability.pfnUse(*model);
            if (bClaims)
            {
                EXPECT_NE("", m_pty.Receive(1, kQuiet));
            }
            m_pty.Flush();
            CDOZOzoeiver::m_Port.Close();
        }
        if (!bClaimsAny)
        {
            silent.insert(entry.m_pszClassName);
        }
    }
    // A model that claims nothing has no command set: none of its operations sends anything.
    for (const SReceiverModel& entry : GetReceiverModels())
    {
        if (silent.count(entry.m_pszClassName) == 0)
        {
            continue;
        }
        SCOPED_TRACE(entry.m_pszClassName);
        std::unique_ptr<CDOZOzoeiver> model(entry.m_pfnCreate());
        OpenFor(*model);
        for (const SCapability& capability : capabilities)
        {
            capability.pfnUse(*model);
        }
        model->QueryOmniStar();
        model->DgpsStatusMsg(true);
        model->QueryLbandSatellites();
        model->SetLbandFrequency(1557.845, 1200);
        EXPECT_FALSE(model->ResetAll(true));
        EXPECT_FALSE(model->SetRawDataOutputInterval(1.0));
        EXPECT_EQ("", m_pty.Receive(0, kQuiet));
        EXPECT_TRUE(m_pauses.Pauses().empty());
        CDOZOzoeiver::m_Port.Close();
    }
    EXPECT_EQ(8u, silent.size()) << "Omnistar, both Corvanes, Leica, Garmin, Javad, Satloc, "
                                    "NMEA-0183";
}

TEST_F(CommandSetTest, AClosedPortTakesNoCommandAndNoPause)
{
    // The port cannot open, so a reset cannot open it either.
    CComPortMapping nowhere(kPort, "/nonexistent/fixora-test-device");
    for (const SReceiverModel& entry : GetReceiverModels())
    {
        SCOPED_TRACE(entry.m_pszClassName);
        std::unique_ptr<CDOZOzoeiver> model(entry.m_pfnCreate());
        model->SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        m_pauses.Clear();
        model->QueryNmeaActive();
        model->QueryGpsSettings();
        model->QueryBeacon();
        model->SetBeacon(BEACON_MODE_MANUAL, L"305.0", L"200");
        model->QuerySatElevMask();
        model->SetSatElevMask(10);
        model->SetDefaultNMEA();
        model->SetGgaOnlyNMEA();
        model->QueryDgpsMode();
        model->QueryOmniStar();
        model->DgpsStatusMsg(true);
        model->QueryLbandSatellites();
        model->SetLbandFrequency(1545.0, 1200);
        model->KeepAlive();
        EXPECT_FALSE(model->ResetAll(true));
        const bool bAxis3 =
            model->IsKindOf(RUNTIME_CLASS(CSokkiaAxis3)) || model->IsKindOf(RUNTIME_CLASS(CCSImax));
        // Raw output: the base refuses a closed port; the Axis3 family and the OEM board, with
        // raw commands of their own, answer true regardless.
        EXPECT_EQ(bAxis3 || model->IsKindOf(RUNTIME_CLASS(Cgsr2650lb)),
                  model->EnablePostProcessing(true));
        EXPECT_TRUE(m_pauses.Pauses().empty());

        // Only the Axis3 family's differential source is written without asking the port.
        model->SetDgpsMode(DGPS_OFF);
        const std::vector<DWORD> expected =
            bAxis3 ? std::vector<DWORD>{1000, 2000} : std::vector<DWORD>{};
        EXPECT_EQ(expected, m_pauses.Pauses());
    }
    EXPECT_EQ("", m_pty.Receive(0));
}

TEST_F(CommandSetTest, AVanishedPortEndsCommandsAtOnce)
{
    CCSI csi;
    OpenFor(csi);
    m_pty.CloseMaster();
    const auto start = std::chrono::steady_clock::now();
    csi.SetDefaultNMEA();
    EXPECT_FALSE(csi.ResetAll(true)) << "no step could be written";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
        << "no acknowledgement is awaited";
    std::vector<DWORD> pauses(6, 200);
    pauses.push_back(3000); // the reset's settle pause comes whatever its line did
    EXPECT_EQ(pauses, m_pauses.Pauses());
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
        {
            leica.KeepAlive();
        }
    });
    std::thread host([&csi] {
        for (int i = 0; i < kSelections; ++i)
        {
            csi.SetDefaultNMEA();
        }
    });
    const std::string keepAlive = "VKR Orlo\r\n";
    const std::string selection = "$PASHS,NME,ALL,A,OFF\r\n$PASHS,NME,GGA,A,ON\r\n"
                                  "$PASHS,NME,GSA,A,ON\r\n$PASHS,NME,VTG,A,ON\r\n"
                                  "$PASHS,NME,SAT,A,ON\r\n$PASHS,NME,GSV,A,ON\r\n";
    const std::size_t nExpected = kKeepAlives * keepAlive.size() + kSelections * selection.size();
    // Read late and in small bites: the writers then find the line's buffer nearly full and get
    // only part of a line in at a time, the moment another line could cut in.
    std::string received;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    while (received.size() < nExpected)
    {
        const std::string chunk = m_pty.Receive(1, std::chrono::milliseconds(0));
        if (chunk.empty())
        {
            break;
        }
        received += chunk;
    }
    acquisition.join();
    host.join();

    const std::set<std::string> known = {"VKR Orlo",
                                         "$PASHS,NME,ALL,A,OFF",
                                         "$PASHS,NME,GGA,A,ON",
                                         "$PASHS,NME,GSA,A,ON",
                                         "$PASHS,NME,VTG,A,ON",
                                         "$PASHS,NME,SAT,A,ON",
                                         "$PASHS,NME,GSV,A,ON"};
    std::size_t nLines = 0;
    for (std::size_t nStart = 0, nEnd; (nEnd = received.find("\r\n", nStart)) != std::string::npos;
         nStart = nEnd + 2, ++nLines)
    {
        const std::string strLine = received.substr(nStart, nEnd - nStart);
        ASSERT_EQ(1u, known.count(strLine)) << "a cut line: " << strLine;
    }
    EXPECT_EQ(static_cast<std::size_t>(kKeepAlives + 6 * kSelections), nLines);
    EXPECT_EQ(nExpected, received.size());
}
