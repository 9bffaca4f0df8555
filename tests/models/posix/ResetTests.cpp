// Resets and the receiver simulator: the reset steps with their acknowledgement waits, first as
// plain pauses (counted through the sleep hook), then under the wait window against a simulated
// receiver whose answers the live engine reads, publishes and hands to the wait; the replies of
// each family's simulator reaching the recognition as the kinds their parsers take; and a mask
// set on the receiver coming back in its reply to the host.
#include "Fixora_Vorn.h"

#include "support/HostWindow.h"
#include "support/PauseRecorder.h"
#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"
#include "support/ReceiverSimulator.h"
#include "support/TempProfile.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace
{

constexpr int kPort = 8;

const std::vector<std::string> kCsiResetLines = {
    "$PASHS,RST\r\n",          "$PASHS,RTC,AUT,Y\r\n",    "$PASHS,RTC,REM,B\r\n",
    "$PASHS,NME,GGA,A,ON\r\n", "$PASHS,NME,GSA,A,ON\r\n", "$PASHS,NME,VTG,A,ON\r\n",
    "$PASHS,NME,SAT,A,ON\r\n", "$PASHS,PDP,14\r\n",       "$PASHS,HDP,10\r\n",
    "$PASHS,VDP,10\r\n",       "$PASHS,SAV,Y\r\n"};

std::string Joined(const std::vector<std::string>& lines)
{
    std::string joined;
    for (const std::string& strLine : lines)
    {
        joined += strLine;
    }
    return joined;
}

// A model as the live tests watch it: when acquisition has initialised it, and the kind that
// recognition gave each message (after the port tag is gone).
template <class TModel> class CWatchedModel : public TModel
{
public:
    bool Initialize() override
    {
        const bool bInitialized = TModel::Initialize();
        m_nInitialized += 1;
        return bInitialized;
    }
    bool Parse(CString& strMessage, GPSStringType eType) override
    {
        {
            std::lock_guard lock(m_Mutex);
            m_Kinds.push_back(eType);
        }
        return TModel::Parse(strMessage, eType);
    }
    std::vector<GPSStringType> Kinds()
    {
        std::lock_guard lock(m_Mutex);
        return m_Kinds;
    }

    std::atomic<int> m_nInitialized{0};

private:
    std::mutex m_Mutex;
    std::vector<GPSStringType> m_Kinds;
};

class ResetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        ASSERT_TRUE(m_pty.IsValid());
    }
    void TearDown() override { CDOZOzoeiver::m_Port.Close(); }

    // Registers the model with the engine and runs it live on the test's device; once this
    // returns, the port is open and purged and whatever the device sends is read.
    template <class TModel> CWatchedModel<TModel>* StartLive()
    {
        auto* pModel = new CWatchedModel<TModel>;
        pModel->SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        EXPECT_TRUE(m_engine.AddReceiver(pModel));
        m_engine.SetReceiver(pModel);
        EXPECT_TRUE(m_engine.Start());
        EXPECT_TRUE(WaitUntil([pModel] { return pModel->m_nInitialized > 0; }));
        m_pauses.Clear();
        return pModel;
    }

    CTempProfile m_profile;
    CPseudoTerminal m_pty{kPort};
    CHostWindow m_host;
    CPauseRecorder m_pauses;
    CZIDOvoine m_engine; // last: its thread ends before the window and the device go
};

} // namespace

TEST_F(ResetTest, WithoutTheWindowEachStepIsItsLineAndPause)
{
    struct SRow
    {
        const char* legend;
        std::unique_ptr<CDOZOzoeiver> (*pfnCreate)();
        bool bShowWait;
        std::string lines;
        std::vector<DWORD> pauses;
    } const rows[] = {
        {"CSI: each acknowledgement time waited out, the reset settles 3 s",
         [] { return std::unique_ptr<CDOZOzoeiver>(new CCSI); },
         false,
         Joined(kCsiResetLines),
         {10000, 3000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000}},
        {"Starlink: never a window, 5 s to settle, then the default sentences",
         [] { return std::unique_ptr<CDOZOzoeiver>(new CStarlink); },
         true,
         "$PSLIS,RST,CLR\r\n$PSLIS,NME,ALL,A,OFF\r\n$PSLIS,NME,GGA,A,ON\r\n"
         "$PSLIS,NME,GSA,A,ON\r\n$PSLIS,NME,VTG,A,ON\r\n$PSLIS,NME,GSV,A,ON\r\n",
         {100, 5000, 200, 200, 200, 200, 200}},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const auto model = row.pfnCreate();
        model->SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        m_pauses.Clear();
        EXPECT_TRUE(model->ResetAll(row.bShowWait));
        EXPECT_TRUE(CDOZOzoeiver::m_Port.IsOpen()) << "the reset initialises the receiver";
        EXPECT_EQ(row.lines, m_pty.Receive(row.lines.size()));
        std::vector<DWORD> pauses = m_pauses.Pauses();
        ASSERT_FALSE(pauses.empty());
        pauses.erase(pauses.begin()); // the port's own settle pause as it opens
        EXPECT_EQ(row.pauses, pauses);
        CDOZOzoeiver::m_Port.Close();
    }
}

TEST_F(ResetTest, UnderTheWindowEveryStepWaitsForTheReceiversAcknowledgement)
{
    CReceiverSimulator receiver(m_pty, AshtechAnswers());
    auto* pCsi = StartLive<CCSI>();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(pCsi->ResetAll(true));
    EXPECT_LT(MillisecondsSince(start), 5000) << "no step waited out its time";

    EXPECT_EQ(kCsiResetLines, receiver.Lines());
    EXPECT_EQ(std::vector<DWORD>{3000}, m_pauses.Pauses()) << "only the settle pause is slept";
    // Every acknowledgement reached the host as a status record.
    ASSERT_TRUE(m_host.WaitFor(kCsiResetLines.size(), 5000));
    int nAcknowledged = 0;
    for (const auto& message : m_host.Positions())
    {
        nAcknowledged += message.pPosition->m_Status.m_bAckReceived ? 1 : 0;
    }
    EXPECT_EQ(static_cast<int>(kCsiResetLines.size()), nAcknowledged);
}

TEST_F(ResetTest, AStepAnsweredWithAnythingButTheAcknowledgementTimesOut)
{
    // The receiver refuses the remote-port step; the wait ignores the refusal, lets its second
    // run out, and the steps after it are still sent. This is the one wait that runs its time.
    std::vector<CReceiverSimulator::SRule> rules = {{"$PASHS,RTC,AUT", "$PASHR,NAK*30\r\n"}};
    for (const CReceiverSimulator::SRule& rule : AshtechAnswers())
    {
        rules.push_back(rule);
    }
    CReceiverSimulator receiver(m_pty, rules);
    auto* pCsi = StartLive<CCSI>();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(pCsi->ResetAll(true));
    const long long nElapsed = MillisecondsSince(start);
    EXPECT_GE(nElapsed, 950);
    EXPECT_LT(nElapsed, 6000);
    EXPECT_EQ(kCsiResetLines, receiver.Lines());
}

TEST_F(ResetTest, SimulatedRepliesReachRecognitionAsTheirKinds)
{
    struct SRow
    {
        const char* legend;
        std::vector<CReceiverSimulator::SRule> (*pfnAnswers)();
        bool bAxis3;
        std::vector<GPSStringType> kinds;
    } const rows[] = {
        {"CSI: the tagged parameter listing and the beacon's status",
         &AshtechAnswers,
         false,
         {GPS_STRING_PMD, GPS_STRING_PEM, GPS_STRING_PER, GPS_STRING_PRTA, GPS_STRING_CRMSS,
          GPS_STRING_CRMSK}},
        {"Axis3: the status listing, the identification and the beacon's status",
         &Axis3Answers,
         true,
         {GPS_STRING_JSHOW, GPS_STRING_JSHOW, GPS_STRING_JSHOW, GPS_STRING_JSHOW, GPS_STRING_JI,
          GPS_STRING_JSHOW, GPS_STRING_JSHOW, GPS_STRING_JSHOW, GPS_STRING_JSHOW, GPS_STRING_CRMSS,
          GPS_STRING_CRMSK}},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CReceiverSimulator receiver(m_pty, row.pfnAnswers());
        // The simulator answers line by line, so the replies come in the order of the queries.
        std::vector<GPSStringType> kinds;
        if (row.bAxis3)
        {
            auto* pAxis3 = StartLive<CSokkiaAxis3>();
            pAxis3->QueryJSHOW();
            pAxis3->QueryOmniStar(); // $JGEO goes unanswered here
            pAxis3->QueryBeacon();
            WaitUntil([&] { return pAxis3->Kinds().size() >= row.kinds.size(); });
            kinds = pAxis3->Kinds();
        }
        else
        {
            auto* pCsi = StartLive<CCSI>();
            pCsi->QueryPAR();
            pCsi->QueryBeacon();
            WaitUntil([&] { return pCsi->Kinds().size() >= row.kinds.size(); });
            kinds = pCsi->Kinds();
        }
        EXPECT_EQ(row.kinds, kinds);
        m_engine.Stop();
    }
}

TEST_F(ResetTest, AMaskSetIsTheMaskTheReceiverReports)
{
    struct SRow
    {
        const char* legend;
        bool bAxis3;
        std::vector<CReceiverSimulator::SRule> rules;
    } const rows[] = {
        {"CSI: acknowledged, then in the parameter listing",
         false,
         {{"$PASHS,PEM,15", kAshtechAck}, {"$PASHQ,PAR", "$[COM1]PEM:15 ION:N SAV:Y\r\n"}}},
        {"Axis3: in the status listing", true, {{"$JSHOW", "$>JSHOW,MASK,15\r\n"}}},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CReceiverSimulator receiver(m_pty, row.rules);
        CDOZOzoeiver* pModel = row.bAxis3 ? static_cast<CDOZOzoeiver*>(StartLive<CSokkiaAxis3>())
                                          : static_cast<CDOZOzoeiver*>(StartLive<CCSI>());
        m_host.m_Messages.clear();
        pModel->SetSatElevMask(15);
        pModel->QuerySatElevMask();
        ASSERT_TRUE(WaitUntil([&] {
            m_host.Pump();
            for (const auto& message : m_host.Positions())
            {
                const CGPSStatusData& status = message.pPosition->m_Status;
                if (status.m_bElevMask && status.m_nElevMask == 15)
                {
                    return true;
                }
            }
            return false;
        })) << "the reported mask reached the host";
        m_engine.Stop();
    }
}
