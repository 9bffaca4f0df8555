// Live acquisition on pseudo-terminals that play the receiver: delivery to the host as the bytes
// come, the errors found by the thread, the raw log, keep-alives in silence, a line that never
// falls silent, another receiver, binary messages and a pulled cable.
#include "engine/EngineSupport.h"

#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <random>

namespace
{

constexpr int kPort = 7;

class LiveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        ASSERT_TRUE(m_pty.IsValid());
        m_pReceiver = Register(L"Test");
        m_engine.SetReceiver(m_pReceiver);
        m_engine.m_ComBuffer.m_bStopped = false;
    }

    CTestReceiver* Register(const wchar_t* pszName)
    {
        auto* pReceiver = new CTestReceiver(pszName);
        pReceiver->SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        EXPECT_TRUE(m_engine.AddReceiver(pReceiver));
        return pReceiver;
    }

    // Starts and waits until the port is open: bytes sent from then on are read.
    bool Start(CTestReceiver* pReceiver = nullptr)
    {
        pReceiver = pReceiver != nullptr ? pReceiver : m_pReceiver;
        const int nBefore = pReceiver->m_nInitialized;
        return m_engine.Start() && WaitUntil([&] { return pReceiver->m_nInitialized > nBefore; });
    }

    // Sends one sentence and waits until it is the last text that reached the host.
    bool SendAndWait(const std::string& strSentence, const CPtyPair* pDevice = nullptr)
    {
        const std::size_t nBefore = PostedTexts(m_host).size();
        return (pDevice != nullptr ? pDevice : &m_pty)->Send(strSentence) && WaitUntil([&] {
                   m_host.Pump();
                   return PostedTexts(m_host).size() > nBefore;
               }) &&
               PostedTexts(m_host).back() == CString(strSentence.c_str());
    }

    // Stops and returns how long Stop took, in ms.
    long long TimedStop()
    {
        const auto start = std::chrono::steady_clock::now();
        m_engine.Stop();
        return MillisecondsSince(start);
    }

    CTempProfile m_profile;
    CScratchFolder m_folder;
    CPseudoTerminal m_pty{kPort};
    CHostWindow m_host;
    CZIDOvoine m_engine; // goes first: no thread outlives the window or the device
    CTestReceiver* m_pReceiver = nullptr;
};

} // namespace

TEST_F(LiveTest, BytesAreHandedOverAsTheyComeAndAnotherReceiverStartsFromAnEmptyBuffer)
{
    // The raw log shows what the thread has handed over: it writes each chunk as it goes.
    const auto path = m_folder.File("raw.log");
    m_engine.m_strRawLogFile = CString(path.c_str());
    m_engine.m_bLogRawData = true;
    ASSERT_TRUE(Start());
    std::string strSent = GgaSentence(1);
    // Byte by byte as a slow line brings them, each one its own read.
    for (std::size_t i = 0; i + 2 < strSent.size(); ++i)
    {
        ASSERT_TRUE(m_pty.Send(strSent.substr(i, 1)));
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    ASSERT_TRUE(WaitUntil([&] { return CScratchFolder::Read(path).size() == strSent.size() - 2; }))
        << "the bytes are handed over before their line ends";
    m_host.Pump();
    EXPECT_TRUE(m_host.m_Messages.empty());
    ASSERT_TRUE(m_pty.Send("\r"));
    ASSERT_TRUE(m_host.WaitFor(2, 5000)) << "the carriage return completes the sentence";
    EXPECT_EQ(PostedTexts(m_host), Texts({strSent}));
    // Then two chunks that split a sentence, and one read but for its checksum and line end.
    const std::string strText = NmeaSentence("GPTXT,1,left over");
    const std::string strRest = "\n" + GgaSentence(2) + GgaSentence(3);
    ASSERT_TRUE(m_pty.Send(strRest.substr(0, 50)) && m_pty.Send(strRest.substr(50)));
    ASSERT_TRUE(m_pty.Send(strText.substr(0, strText.size() - 5)));
    strSent += strRest.substr(1) + strText.substr(0, strText.size() - 5);
    ASSERT_TRUE(WaitUntil([&] { return CScratchFolder::Read(path) == strSent; }));
    ASSERT_TRUE(m_host.WaitFor(6, 5000));
    const auto positions = m_host.Positions();
    ASSERT_EQ(positions.size(), 3U);
    for (int i = 0; i < 3; ++i)
        EXPECT_DOUBLE_EQ(positions[i].pPosition->m_dUTCTime, 43201.0 + i);
    EXPECT_TRUE(m_engine.IsActive());
    EXPECT_EQ(m_engine.GetLastError(), GPS_ENGINE_NO_ERROR);
    // The line is quiet now: the thread waits for bytes, and still sees the stop request within
    // a tenth of a second instead of at the end of its second-long wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_LT(TimedStop(), 600);
    EXPECT_FALSE(m_engine.IsActive());
    EXPECT_FALSE(CDOZOzoeiver::m_Port.IsOpen());

    CTestReceiver* pOther = Register(L"Other");
    m_engine.SetReceiver(pOther);
    m_engine.m_bLogRawData = false;
    for (int nRun = 0; nRun < 2; ++nRun)
    {
        SCOPED_TRACE(nRun);
        ASSERT_TRUE(Start(pOther));
        EXPECT_TRUE(m_engine.IsActive());
        // The rest of the sentence would complete it were it still in the buffer.
        ASSERT_TRUE(nRun > 0 || m_pty.Send(strText.substr(strText.size() - 5)));
        EXPECT_TRUE(SendAndWait(GgaSentence(5 + nRun)));
        m_engine.Pause(); // as Stop
        EXPECT_EQ(pOther->Log().nSuspends, 2 * nRun + 2) << "by Start, which stops first, and Stop";
    }
    EXPECT_EQ(pOther->Log().parsed, Texts({GgaSentence(5), GgaSentence(6)}));
    EXPECT_EQ(m_pReceiver->Log().parsed.size(), 3U) << "the first receiver is left alone";
    EXPECT_EQ(m_pReceiver->m_nInitialized, 1);
    EXPECT_EQ(PostedTexts(m_host), Texts({GgaSentence(1), GgaSentence(2), GgaSentence(3),
                                          GgaSentence(5), GgaSentence(6)}));
}

TEST_F(LiveTest, ErrorsFoundByTheThreadStayUntilAStartThatSucceedsAndReceivesOnceSetUp)
{
    const std::tuple<bool, const char*, GPS_ENGINE_ERROR> rows[] = {
        {false, nullptr, GPS_ENGINE_NO_RECEIVER},
        {true, "/nonexistent/tty", GPS_ENGINE_INIT_FAILED}, // the device cannot be opened
    };
    for (const auto& [bSelect, pszDevice, eExpected] : rows)
    {
        SCOPED_TRACE(eExpected);
        m_engine.SetReceiver(bSelect ? m_pReceiver : nullptr);
        SetComPortDevice(kPort + 1, pszDevice);
        m_pReceiver->SetupReceiver(kPort + 1, 0, 0.0, CString(L""), false);
        ASSERT_TRUE(m_engine.Start());
        EXPECT_TRUE(WaitUntil([&, e = eExpected] { return m_engine.GetLastError() == e; }));
        EXPECT_TRUE(m_engine.IsActive());
        EXPECT_FALSE(m_engine.IsReceiving());
        EXPECT_LT(TimedStop(), 900) << "a thread that ended by itself needs no waiting for";
        EXPECT_FALSE(m_engine.IsActive());
        EXPECT_EQ(m_engine.GetLastError(), eExpected) << "Stop keeps the error";
    }
    SetComPortDevice(kPort + 1, nullptr);
    // The next Start clears the error before its thread runs; receiving begins once the receiver
    // is set up.
    m_pReceiver->SetupReceiver(kPort, 0, 0.0, CString(L""), false);
    m_pReceiver->m_bHoldInitialize = true;
    ASSERT_TRUE(m_engine.Start());
    ASSERT_TRUE(WaitUntil([&] { return m_pReceiver->m_bHeld.load(); }));
    EXPECT_EQ(m_engine.GetLastError(), GPS_ENGINE_NO_ERROR);
    EXPECT_FALSE(m_engine.IsReceiving()) << "the port is open, the set-up goes on";
    m_pReceiver->m_bHoldInitialize = false;
    EXPECT_TRUE(WaitUntil([&] { return m_engine.IsReceiving(); }));
    EXPECT_TRUE(SendAndWait(GgaSentence(5)));
    m_engine.Stop();
    EXPECT_FALSE(m_engine.IsReceiving());
}

TEST_F(LiveTest, RawLogFollowsTheSwitchAtTheNextData)
{
    const std::string strA = NmeaSentence("GPTXT,1,A");
    const std::string strB = NmeaSentence("GPTXT,1,B");
    const std::string strC = NmeaSentence("GPTXT,1,C");
    {
        CMessageBoxes boxes;
        m_engine.m_strRawLogFile = CString(m_folder.File("no-such-folder/raw.log").c_str());
        m_engine.m_bLogRawData = true;
        ASSERT_TRUE(Start());
        EXPECT_TRUE(SendAndWait(strA) && SendAndWait(strB));
        EXPECT_EQ(boxes.Texts(), std::vector<CString>{L"Could not open file to log raw data!"});
        EXPECT_FALSE(m_engine.m_bLogRawData) << "acquisition goes on without the log";
        m_engine.Stop();
    }
    const auto path = m_folder.File("raw.log");
    CScratchFolder::Write(path, "an older recording");
    m_engine.m_strRawLogFile = CString(path.c_str());
    ASSERT_TRUE(Start());
    m_engine.m_bLogRawData = true;
    EXPECT_TRUE(SendAndWait(strA));
    EXPECT_EQ(CScratchFolder::Read(path), strA) << "created, truncated, written";
    m_engine.m_bLogRawData = false;
    EXPECT_TRUE(SendAndWait(strB));
    EXPECT_EQ(CScratchFolder::Read(path), strA) << "closed before B";
    m_engine.m_bLogRawData = true;
    EXPECT_TRUE(SendAndWait(strC) && SendAndWait(strA));
    m_engine.Stop();
    EXPECT_EQ(CScratchFolder::Read(path), strC + strA) << "truncated again when reopened";
}

TEST_F(LiveTest, SilenceKeepsTheReceiverAliveAndResetsTheSpeedEngineAtTenSeconds)
{
    // The engine's clock stands still unless moved here; the read turns still end each real
    // second, so every step below costs a keep-alive or two, not the ten seconds.
    static std::atomic<DWORD> s_dwNow{1'000'000};
    SetTickHook([](void*) { return s_dwNow.load(); }, nullptr);
    struct SUnhook
    {
        ~SUnhook() { SetTickHook(nullptr, nullptr); }
    } unhook;
    const DWORD dwStart = s_dwNow;
    CGPSData fix;
    fix.m_SignalStatus = UDF_SIGNAL_GPS;
    CDOZOzoeiver::m_SpeedEngine.ComputeMotion(&fix);
    ASSERT_TRUE(Start());
    // The speed engine's fixes at each keep-alive of a tick.
    const auto fixesAt = [this](DWORD dwTick) {
        std::vector<int> fixes;
        for (const auto& [dwAt, nFixes] : m_pReceiver->Log().keepAlives)
        {
            if (dwAt == dwTick)
                fixes.push_back(nFixes);
        }
        return fixes;
    };
    ASSERT_TRUE(WaitUntil([&] { return !fixesAt(dwStart).empty(); }));
    EXPECT_EQ(fixesAt(dwStart).front(), 1) << "a silent second leaves the speed engine";
    s_dwNow = dwStart + 9999;
    EXPECT_TRUE(WaitUntil([&] { return fixesAt(dwStart + 9999).size() >= 2; }));
    EXPECT_EQ(fixesAt(dwStart + 9999), (std::vector<int>{1, 1})) << "not before ten seconds";
    s_dwNow = dwStart + 10000;
    EXPECT_TRUE(WaitUntil([&] {
        const auto fixes = fixesAt(dwStart + 10000);
        return !fixes.empty() && fixes.back() == 0;
    })) << "reset once ten seconds pass without a parsed message";
    m_engine.Stop();
}

TEST_F(LiveTest, StartStopCyclesRacingAStreamThatNeverFallsSilentEndCleanly)
{
    // The device writes as fast as the line takes it: every read finds bytes waiting (and a
    // thread held up by the machine's load may find more than its buffer takes).
    std::string strBlock;
    for (int i = 0; i < 60; ++i)
        strBlock += GgaSentence(i);
    std::atomic<bool> bSending{true};
    std::thread device([&] {
        while (bSending)
            m_pty.Send(strBlock);
    });
    std::mt19937 random(20240601);
    long long nLongestStop = 0;
    for (int i = 0; i < 100; ++i)
    {
        // (No ASSERT in here: the device thread must be joined.)
        EXPECT_TRUE(m_engine.Start());
        // A Start on an active engine stops first.
        EXPECT_TRUE(i % 3 != 0 || m_engine.Resume());
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 15));
        m_host.Pump();
        nLongestStop = std::max(nLongestStop, TimedStop());
        EXPECT_FALSE(m_engine.IsActive());
    }
    EXPECT_TRUE(m_engine.Start());
    bSending = false;
    device.join();
    m_engine.Stop();

    // A line that never falls silent: the thread must see the request between reads, well
    // inside Stop's one-second answer window.
    EXPECT_LT(nLongestStop, 950);
    EXPECT_EQ(m_engine.GetLastError(), GPS_ENGINE_NO_ERROR);
    EXPECT_EQ(m_engine.m_GPSBuffer.GetLength(), 0) << "an answered run leaves the buffer empty";
    EXPECT_FALSE(m_pReceiver->Log().parsed.empty());
    // Nothing arrives once Stop has returned.
    m_host.Pump();
    const std::size_t nMessages = m_host.m_Messages.size();
    Sleep(300);
    m_host.Pump();
    EXPECT_EQ(m_host.m_Messages.size(), nMessages);
}

TEST_F(LiveTest, BinaryMessagesReachTheHostInOrderWhileTheThreadStoresMore)
{
    // Each block's data carries its number, so the host can tell which one it read.
    constexpr int kBlocks = 40;
    std::string stream;
    for (int i = 0; i < kBlocks; ++i)
    {
        std::string block(140, static_cast<char>(i));
        stream += block.replace(0, 8, std::string("$BIN\x5F\x00\x80\x00", 8));
    }
    m_engine.m_bAttachRawData = true;
    ASSERT_TRUE(Start());
    ASSERT_TRUE(m_pty.Send(stream));
    std::vector<int> read;
    ASSERT_TRUE(WaitUntil([&] {
        m_host.Pump();
        std::vector<WORD> words;
        while (m_pReceiver->GetBinaryMessage(words))
        {
            EXPECT_EQ(70u, words.size());
            read.push_back(words.size() > 10 ? words[10] & 0xFF : -1);
        }
        return read.size() >= static_cast<std::size_t>(kBlocks);
    }));
    std::vector<int> expected(kBlocks);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(expected, read);
    EXPECT_EQ(static_cast<std::size_t>(kBlocks), m_host.Only(WM_GPS_BINARYMSG).size());
}

// (A device plugged in again and taken back at its path: fixora/posix/FixoraLiveTests.cpp.)
TEST_F(LiveTest, APulledCableIsReportedTheReceiverKeptAliveAndAStartFailsUntilItIsBack)
{
    // The port is mapped to a link, so the device goes away with its path, as an adapter pulled
    // out does.
    CPtyAtPath device(m_folder.File("gps").string());
    const CComPortMapping mapping(kPort + 2, device.Path());
    m_pReceiver->SetupReceiver(mapping.Port(), 0, 0.0, CString(L""), false);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(SendAndWait(GgaSentence(1), &device.Pty()));
    EXPECT_FALSE(m_engine.IsPortLost());
    device.Unplug();
    ASSERT_TRUE(WaitUntil([&] { return m_engine.IsPortLost(); }));
    // Keep-alives go on as on a silent line, one a turn.
    const std::size_t nKeepAlives = m_pReceiver->Log().keepAlives.size();
    EXPECT_TRUE(WaitUntil([&] { return m_pReceiver->Log().keepAlives.size() >= nKeepAlives + 2; }));
    EXPECT_LT(TimedStop(), 1000) << "the thread answers the stop request";
    EXPECT_FALSE(m_engine.IsPortLost()) << "no run, no port";
    // The link points nowhere: a Start cannot open the device.
    ASSERT_TRUE(m_engine.Start());
    EXPECT_TRUE(WaitUntil([&] { return m_engine.GetLastError() == GPS_ENGINE_INIT_FAILED; }));
    EXPECT_FALSE(m_engine.IsPortLost());
    m_engine.Stop();
}
