// The models' commands on a pseudo-terminal. What each model writes for each operation, byte for
// byte (SiRF frames with their checksums), the pauses counted through the sleep hook and the state
// it keeps are one generated transcript, tests/data/commands/models.transcript (see the README
// there; FIXORA_UPDATE_TRANSCRIPTS=1 rewrites it). Then what a transcript cannot show: the SiRF
// frame's limits, capabilities never offered without commands, a closed or vanished port, whole
// lines from two threads, and resets against a simulated receiver, read by the live engine, whose
// acknowledgements end the waits. (A mask set and then reported through the live engine is in
// engine/posix/RestartCycleTests.cpp.)
#include "Fixora_Vorn.h"
#include "platform/posix/CommTermios.h"
#include "rawdata/RawBinInterval.h"

#include "support/HostWindow.h"
#include "support/PauseRecorder.h"
#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"
#include "support/ReceiverSimulator.h"
#include "support/TempProfile.h"
#include "support/Transcript.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <memory>
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
const std::string kMark = "<end of call>";

using Receiver = CDOZOzoeiver;
using Pauses = std::vector<DWORD>;
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
const std::string kAshtechDefault =
    Lines("$PASHS,NME,ALL,A,OFF|$PASHS,NME,GGA,A,ON|$PASHS,NME,GSA,A,ON|$PASHS,NME,VTG,A,ON|"
          "$PASHS,NME,SAT,A,ON|$PASHS,NME,GSV,A,ON");
const std::string kCsiReset = Lines("$PASHS,RST|$PASHS,RTC,AUT,Y|$PASHS,RTC,REM,B|"
                                    "$PASHS,NME,GGA,A,ON|$PASHS,NME,GSA,A,ON|$PASHS,NME,VTG,A,ON|"
                                    "$PASHS,NME,SAT,A,ON|$PASHS,PDP,14|$PASHS,HDP,10|"
                                    "$PASHS,VDP,10|$PASHS,SAV,Y");

// Bytes readable: printable as they are, others escaped, a new line after each line feed.
std::string Escaped(const std::string& bytes)
{
    std::string text = "  \"";
    for (std::size_t i = 0; i < bytes.size(); ++i)
    {
        text += EscapedByte(bytes[i]);
        if (bytes[i] == '\n' && i + 1 < bytes.size())
            text += "\"\n  \"";
    }
    return text + "\"\n";
}

// What the models keep: the status a host sees, and the OEM board's raw logs.
std::string State(Receiver& m)
{
    const CGPSStatusData& s = CDOZOzoeiver::m_GPSData.m_Status;
    std::ostringstream out;
    out << " = mask " << s.m_bElevMask << ", news " << s.m_bNewStatus << ", source "
        << s.m_bDgpsMode << " " << s.m_DgpsMode << ", L-band " << s.m_nLbandMode << ", position "
        << CDOZOzoeiver::m_GPSData.m_bPosition;
    if (auto* pOem = dynamic_cast<Cgsr2650lb*>(&m))
        out << ", raw " << pOem->m_bRawDataOutput << " every " << pOem->m_nRawDataInterval << " s";
    return out.str();
}

// The capabilities a host may offer for a model.
std::string Offers(Receiver& m)
{
    // clang-format off
    const std::pair<const char*, bool> offers[] = {
        {"raw data", m.HasRawData()}, {"NMEA query", m.ImplementsQueryNmea()},
        {"settings query", m.ImplementsQueryGpsSettings()}, {"beacon", m.ImplementsBeacon()},
        {"mask", m.ImplementsSetElevMask()}, {"sentences", m.ImplementsSetNmea()},
        {"reset", m.ImplementsResetAll()}, {"differential source", m.HasDGPSSupport()}};
    // clang-format on
    std::string text = " =";
    for (const auto& [pszName, bOffered] : offers)
        text += bOffered ? std::string(" ") + pszName + "," : "";
    return text;
}

// The protected SiRF steps, open to the tests.
template <class TModel> class CSirfProbe : public TModel
{
public:
    using TModel::CheckSum;
    using TModel::SendBinaryMsg;
};
// A SiRF payload from hexadecimal bytes, each "HH" or "HH*COUNT".
std::vector<unsigned char> Payload(const std::vector<std::string>& args)
{
    std::vector<unsigned char> payload;
    for (const std::string& strByte : args)
    {
        const std::size_t nStar = strByte.find('*');
        payload.insert(payload.end(),
                       nStar == std::string::npos ? 1 : std::stoul(strByte.substr(nStar + 1)),
                       static_cast<unsigned char>(std::stoul(strByte.substr(0, 2), nullptr, 16)));
    }
    return payload;
}

// The calls of tests/data/commands/operations.txt by name, with their arguments: numbers, and
// texts where "-" is an empty one. Where a call returns whether it succeeded, the transcript shows
// that too.
using Args = std::vector<std::string>;
using Named = std::function<std::string(Receiver&, const Args&)>;
// clang-format off
int N(const Args& a, std::size_t i) { return std::stoi(a.at(i)); }
double D(const Args& a, std::size_t i) { return std::stod(a.at(i)); }
CString T(const Args& a, std::size_t i) { return CString(a.at(i) == "-" ? "" : a.at(i).c_str()); }
std::string Shown(bool bResult) { return bResult ? " = true" : " = false"; }
#define CALL(name, ...) \
    {#name, []([[maybe_unused]] Receiver& m, [[maybe_unused]] const Args& a) -> std::string { \
        __VA_ARGS__; return ""; }}
const std::map<std::string, Named> kCalls = {
    CALL(SetBeacon, m.SetBeacon(static_cast<BEACON_MODE_TYPE>(N(a, 0)), T(a, 1), T(a, 2))),
    CALL(SetSatElevMask, m.SetSatElevMask(N(a, 0))),
    CALL(QuerySatElevMask, m.QuerySatElevMask()),
    CALL(QueryNmeaActive, m.QueryNmeaActive()),
    CALL(QueryGpsSettings, m.QueryGpsSettings()),
    CALL(QueryLbandSatellites, m.QueryLbandSatellites()),
    CALL(QueryBeacon, m.QueryBeacon()),
    CALL(SetGgaOnlyNMEA, m.SetGgaOnlyNMEA()),
    CALL(SetDefaultNMEA, m.SetDefaultNMEA()),
    CALL(DgpsStatusMsg, m.DgpsStatusMsg(N(a, 0) != 0)),
    CALL(SetDgpsMode, m.SetDgpsMode(static_cast<DgpsMode>(N(a, 0)))),
    CALL(SetLbandFrequency, m.SetLbandFrequency(D(a, 0), N(a, 1))),
    CALL(ChangeCDGPS_Freq, dynamic_cast<Cgsr2650lb&>(m).ChangeCDGPS_Freq(D(a, 0))),
    CALL(SetRawDataOutput, dynamic_cast<CSokkiaAxis3&>(m).SetRawDataOutput(N(a, 0) != 0, N(a, 1))),
    CALL(ResetAll, return Shown(m.ResetAll(N(a, 0) != 0))),
    CALL(EnablePostProcessing, return Shown(m.EnablePostProcessing(N(a, 0) != 0))),
    CALL(SetRawDataOutputInterval, return Shown(m.SetRawDataOutputInterval(D(a, 0)))),
    CALL(Initialize, return Shown(m.Initialize())),
    CALL(MarkStatus, Status().m_bElevMask = Status().m_bNewStatus = true;
         CDOZOzoeiver::m_GPSData.m_bPosition = true),
    CALL(state, return State(m)),
    CALL(QueryDgpsMode, m.QueryDgpsMode()),
    CALL(QueryOmniStar, m.QueryOmniStar()),
    CALL(KeepAlive, m.KeepAlive()),
    CALL(offers, return Offers(m)),
    CALL(port, m.SetupReceiver(kPort, 0, 0.0, CString(L""), false)),
    // The protected step, reached through the probe's public name for it.
    CALL(SendBinaryMsg, std::vector<unsigned char> p = Payload(a);
         return Shown((dynamic_cast<CSirf&>(m).*&CSirfProbe<CSirf>::SendBinaryMsg)(
             p.data(), static_cast<unsigned short>(p.size())))),
    CALL(AppendNmeaChecksum, CString str = T(a, 0); const bool bAppended = AppendNmeaChecksum(str);
         return Shown(bAppended) + " " + str.ToNarrow()),
};
// clang-format on

// A group of the operations file: its legend, the classes each given a fresh model, the rate,
// whether the port is opened first, and the calls.
struct SGroup
{
    std::string legend;
    std::vector<std::string> classes;
    int nBaudRate = 0;
    std::string port; // "closed": not opened first; "nowhere": a port that cannot open
    std::vector<std::string> calls;
};
std::vector<SGroup> ReadGroups()
{
    std::ifstream in(std::string(FIXORA_TEST_DATA_DIR) + "/commands/operations.txt");
    std::vector<SGroup> groups;
    for (std::string strLine; std::getline(in, strLine);)
    {
        if (strLine.rfind("== ", 0) == 0)
        {
            groups.emplace_back().legend = strLine.substr(3);
            std::getline(in, strLine);
            std::istringstream head(strLine);
            std::string strClasses;
            head >> strClasses >> groups.back().nBaudRate >> groups.back().port;
            std::istringstream classes(strClasses);
            for (std::string strClass; std::getline(classes, strClass, ',');)
                groups.back().classes.push_back(strClass);
        }
        else if (!strLine.empty() && strLine[0] != '#')
            groups.back().calls.push_back(strLine);
    }
    return groups;
}

// A model whose port cannot open, so the base Initialize fails while the shared port is open all
// the same (another receiver left it open).
template <class TModel> class CFailingOpen : public TModel
{
public:
    bool OpenPort() override { return false; }
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

    // Sets the model up on the port at the rate and, unless told not to, opens it as Initialize
    // would; the port's own settle pause is forgotten.
    void OpenFor(CDOZOzoeiver& model, int nBaudRate = 9600, bool bOpen = true, int nPort = kPort)
    {
        model.SetupReceiver(nPort, 0, 0.0, CString(L""), false);
        model.SetProperties(nBaudRate);
        ASSERT_TRUE(!bOpen || model.OpenPort());
        m_pauses.Clear();
    }

    // What one call wrote and paused, with what it returned.
    std::string Step(Receiver& model, const std::string& strCall)
    {
        std::istringstream in(strCall);
        std::string strName;
        in >> strName;
        const Args args{std::istream_iterator<std::string>(in), {}};
        std::string text = strCall + kCalls.at(strName)(model, args) + "\n";
        std::string bytes = m_pty.Receive(SIZE_MAX, kQuiet, std::chrono::milliseconds(0));
        // A mark written after the call's bytes ends them, with no quiet time to wait out.
        if (CDOZOzoeiver::m_Port.IsOpen() && CDOZOzoeiver::m_Port.Write(kMark.data(), kMark.size()))
        {
            for (std::string chunk = "-"; bytes.find(kMark) == std::string::npos && !chunk.empty();
                 bytes += chunk)
                chunk = m_pty.Receive(1, std::chrono::milliseconds(0));
            bytes = bytes.substr(0, bytes.find(kMark));
        }
        if (!bytes.empty())
            text += Escaped(bytes);
        if (!m_pauses.Pauses().empty())
        {
            text += "  pauses";
            for (DWORD dwPause : m_pauses.Pauses())
                text += " " + std::to_string(dwPause);
            text += "\n";
        }
        m_pauses.Clear();
        return text;
    }

    CTempProfile m_profile;
    CPseudoTerminal m_pty{kPort};
    CPauseRecorder m_pauses;
};

} // namespace

TEST_F(CommandSetTest, EveryModelsCommandsMatchTheTranscript)
{
    CComPortMapping nowhere(kNowhere, "/nonexistent/fixora-test-device");
    std::string transcript;
    for (const SGroup& group : ReadGroups())
    {
        std::vector<std::string> classes = group.classes;
        if (classes == std::vector<std::string>{"*"})
        {
            classes.clear();
            for (const SReceiverModel& row : GetReceiverModels())
                classes.push_back(row.m_pszClassName);
        }
        for (const std::string& strClass : classes)
        {
            ResetSharedReceiverState();
            g_dRawBinInterval = 0.2;
            const auto& models = GetReceiverModels();
            const auto entry = std::find_if(models.begin(), models.end(), [&](const auto& row) {
                return strClass == row.m_pszClassName;
            });
            ASSERT_NE(models.end(), entry) << strClass;
            const std::unique_ptr<CDOZOzoeiver> model(entry->m_pfnCreate());
            transcript += "== " + strClass + " at " + std::to_string(group.nBaudRate) + ": " +
                          group.legend + "\n";
            OpenFor(*model, group.nBaudRate, group.port.empty(),
                    group.port == "nowhere" ? kNowhere : kPort);
            for (const std::string& strCall : group.calls)
                transcript += Step(*model, strCall);
            const termios tio = m_pty.SlaveTermios();
            transcript +=
                CDOZOzoeiver::m_Port.IsOpen()
                    ? "port open at " + std::to_string(posix::SpeedToBaud(cfgetospeed(&tio))) + "\n"
                    : "port closed\n";
            CDOZOzoeiver::m_Port.Close();
        }
    }
    CompareWithTranscript(transcript, "commands/models.transcript");
}

// The rest of the SiRF frame's and sentence's rules (in the transcript: its bytes and checksums).
TEST_F(CommandSetTest, SirfFrameLimitsAndAWideCharactersChecksum)
{
    CSirfProbe<CSirf> model;
    OpenFor(model, 4800);
    // The largest payload is more than the terminal holds: it goes out only while it is read.
    std::vector<unsigned char> payload(16384, 0x01);
    auto sent = std::async(std::launch::async, [&model, &payload] {
        return model.SendBinaryMsg(payload.data(), static_cast<unsigned short>(payload.size()));
    });
    const std::string frame = std::string("\xA0\xA2\x40\x00", 4) + std::string(16384, '\x01') +
                              std::string("\x40\x00\xB0\xB3", 4);
    EXPECT_EQ(frame, m_pty.Receive(frame.size(), kQuiet));
    EXPECT_TRUE(sent.get());
    // Beyond the frame buffer, or without a payload, nothing goes out.
    payload.push_back(0x01);
    EXPECT_FALSE(model.SendBinaryMsg(payload.data(), static_cast<unsigned short>(payload.size())));
    EXPECT_FALSE(model.SendBinaryMsg(nullptr, 5));
    EXPECT_EQ(0, model.CheckSum(nullptr, 5));
    EXPECT_EQ("", m_pty.Receive(0, kQuiet));
    EXPECT_TRUE(m_pauses.Pauses().empty());
    CString strLine(L"$\u0141"); // a wide character counts by its low 8 bits
    EXPECT_TRUE(AppendNmeaChecksum(strLine));
    EXPECT_EQ(std::wstring(L"$\u0141*41"), strLine.Str());
}

TEST_F(CommandSetTest, AFailingBaseStopsTheSetupEvenOnAPortLeftOpen)
{
    COtherGps other;
    OpenFor(other);
    CFailingOpen<CLeica> failing;
    failing.SetupReceiver(kPort, 0, 0.0, CString(L""), false);
    EXPECT_FALSE(failing.Initialize());
    EXPECT_TRUE(CDOZOzoeiver::m_Port.IsOpen());
    EXPECT_EQ("", m_pty.Receive(0, kQuiet));
    EXPECT_TRUE(m_pauses.Pauses().empty());
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
    EXPECT_EQ((Pauses{200, 200, 200, 200, 200, 200, 3000}), m_pauses.Pauses());
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
    {
        ASSERT_NE(std::string::npos, known.find("\n" + strLine + "\n"))
            << "a cut line: " << strLine;
    }
    EXPECT_EQ(kKeepAlives + 6 * kSelections, nLines);
}

namespace
{

// The live engine on the test's device: it reads the simulated receiver's answers, publishes them
// and hands them to the acknowledgement waits.
class ResetTest : public CommandSetTest
{
protected:
    void SetUp() override
    {
        CommandSetTest::SetUp();
        m_csi.SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        m_engine.SetReceiver(&m_csi);
    }

    // Once this returns, the port is open and purged and whatever the device sends is read.
    void StartLive()
    {
        EXPECT_TRUE(m_engine.Start());
        EXPECT_TRUE(WaitUntil([this] { return m_engine.IsReceiving(); }));
        m_pauses.Clear();
        m_host.m_Messages.clear();
    }

    CCSI m_csi;
    CHostWindow m_host;
    CZIDOvoine m_engine; // last: its thread ends before the model, the window and the device go
};

} // namespace

// Under the window every step waits for the receiver's acknowledgement, which reaches the host as
// a status record. A refusal must not pass for one: its step waits its time (1 s, on the
// acknowledgement's event) and the steps after it are still sent.
TEST_F(ResetTest, UnderTheWindowEachStepWaitsForItsAcknowledgementAndARefusalTimesOut)
{
    for (const bool bRefused : {false, true})
    {
        SCOPED_TRACE(bRefused ? "one step refused" : "every step acknowledged");
        std::vector<CReceiverSimulator::SRule> rules = AshtechAnswers();
        if (bRefused)
            rules.insert(rules.begin(), {"$PASHS,RTC,AUT", "$PASHR,NAK*30\r\n"});
        CReceiverSimulator receiver(m_pty, rules);
        StartLive();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(!bRefused, m_csi.ResetAll(true));
        const long long nElapsed = MillisecondsSince(start);
        EXPECT_TRUE(bRefused ? nElapsed >= 950 && nElapsed < 6000 : nElapsed < 5000) << nElapsed;
        EXPECT_EQ(kCsiReset, receiver.Bytes());
        EXPECT_EQ(Pauses{3000}, m_pauses.Pauses()) << "only the settle pause is slept";
        const int nAcks = bRefused ? 10 : 11;
        ASSERT_TRUE(m_host.WaitFor(nAcks, 5000));
        const auto positions = m_host.Positions();
        EXPECT_EQ(nAcks, std::count_if(positions.begin(), positions.end(), [](const auto& message) {
                      return message.pPosition->m_Status.m_bAckReceived;
                  }));
        m_engine.Stop();
    }
}
