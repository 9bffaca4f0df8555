// Start, traffic, Stop and a switch to a model of another family, cycle after cycle: each model
// reads a pseudo-terminal of its own, the host sets and queries the elevation mask while the run
// reads, and every record must come from the current run. FIXORA_RESTART_CYCLES sets the number
// of cycles (20 by default; scripts/restart-soak runs a thousand under the sanitizers).
#include "engine/EngineSupport.h"

#include "Fixora_Vorn.h"
#include "support/PauseRecorder.h"
#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"
#include "support/ReceiverSimulator.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace
{

struct SModelRow
{
    const char* legend;
    CDOZOzoeiver* (*pfnCreate)();
    int nPort;
    int nMask;               // what its receiver reports, different from the others'
    const char* pszMaskLine; // the first line the mask setting writes
    std::vector<CReceiverSimulator::SRule> answers;
};

// clang-format off
const SModelRow s_aRows[] = {
    {"CSI (Ashtech)", [] () -> CDOZOzoeiver* { return new CCSI; }, 21, 11, "$PASHS,PEM,11\r\n",
     {{"$PASHS,", kAshtechAck}, {"$PASHQ,PAR", "$[COM1]PEM:11 ION:N SAV:Y\r\n"}}},
    {"Axis3", [] () -> CDOZOzoeiver* { return new CSokkiaAxis3; }, 22, 12, "$JMASK,12\r\n",
     {{"$JSHOW", "$>JSHOW,MASK,12\r\n"}}},
    {"GSR2650 LB (OEM)", [] () -> CDOZOzoeiver* { return new Cgsr2650lb; }, 23, 10, "ECUTOFF 10\r\n",
     {{"LOG COM2 ECUTOFFA", "#ECUTOFFA,COM2,0,60.5,FINESTEERING,1337,400000.000,00000000,c00c,"
                            "1984;10.0*624eb277\r\n"}}},
};
// clang-format on

// A model's receiver: the pseudo-terminal on its port and the simulator that answers on it.
struct SDevice
{
    explicit SDevice(const SModelRow& row) : pty(row.nPort), receiver(pty, row.answers) {}
    CPseudoTerminal pty;
    CReceiverSimulator receiver;
};

int CyclesToRun()
{
    const char* pszCycles = std::getenv("FIXORA_RESTART_CYCLES");
    return pszCycles != nullptr && std::atoi(pszCycles) > 0 ? std::atoi(pszCycles) : 20;
}

} // namespace

TEST(RestartCycles, EveryRunDeliversItsOwnRecordsAndTheSelectedModelAnswers)
{
    ResetSharedReceiverState();
    CTempProfile profile;
    CPauseRecorder pauses; // the commands' pauses are counted, not slept
    std::vector<std::unique_ptr<SDevice>> devices;
    CHostWindow host;
    CZIDOvoine engine; // after the devices and the window: its threads end before they go
    std::vector<CDOZOzoeiver*> models;
    for (const SModelRow& row : s_aRows)
    {
        devices.push_back(std::make_unique<SDevice>(row));
        ASSERT_TRUE(devices.back()->pty.IsValid());
        models.push_back(row.pfnCreate());
        models.back()->SetupReceiver(row.nPort, 0, 0.0, CString(L""), false);
        ASSERT_TRUE(engine.AddReceiver(models.back()));
    }

    const int nCycles = CyclesToRun();
    int nSlowStops = 0;
    for (int nCycle = 0; nCycle < nCycles; ++nCycle)
    {
        const std::size_t nRow = static_cast<std::size_t>(nCycle) % std::size(s_aRows);
        const SModelRow& row = s_aRows[nRow];
        CReceiverSimulator& device = devices[nRow]->receiver;
        CDOZOzoeiver& model = *models[nRow];
        SCOPED_TRACE(::testing::Message() << "cycle " << nCycle << ", " << row.legend);
        engine.SetReceiver(&model);
        host.Pump();
        host.m_Messages.clear();
        const std::size_t nLinesBefore = device.Lines().size();

        ASSERT_TRUE(engine.Start());
        EXPECT_TRUE(engine.IsActive());
        ASSERT_TRUE(WaitUntil([&] { return engine.IsReceiving(); }));
        // A fix whose time of day tells the cycle that sent it.
        const std::string strFix = GgaAt(10000 + nCycle % 70000);
        ASSERT_TRUE(device.Send(strFix));
        // Commands from the host's thread while the run reads.
        model.SetSatElevMask(row.nMask);
        model.QuerySatElevMask();
        ASSERT_TRUE(device.Send(strFix));
        // Fixes received, and whether the mask reported by this model's receiver came.
        const auto received = [&] {
            host.Pump();
            std::pair<int, bool> result{0, false};
            for (const auto& message : host.Positions())
            {
                const CGPSData& record = *message.pPosition;
                result.first += record.m_bPosition ? 1 : 0;
                result.second = result.second || (record.m_Status.m_bElevMask &&
                                                  record.m_Status.m_nElevMask == row.nMask);
            }
            return result;
        };
        ASSERT_TRUE(WaitUntil([&] {
            return received() == std::pair{2, true};
        })) << "both fixes and the reported mask reach the host";
        EXPECT_TRUE(engine.IsActive() && engine.IsReceiving());
        // Stop comes while the receiver keeps sending: the run may be inside a delivery.
        std::atomic<bool> bSending{true};
        // (Paced, so the line's buffer never fills once the port is closed.)
        std::thread stream([&] {
            while (bSending && device.Send(strFix))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        const bool bStreamRead = WaitUntil([&] { return received().first > 2; });
        const auto stopStart = std::chrono::steady_clock::now();
        engine.Stop();
        nSlowStops += MillisecondsSince(stopStart) > 1000 ? 1 : 0;
        bSending = false;
        stream.join();
        EXPECT_TRUE(bStreamRead);
        EXPECT_FALSE(engine.IsActive() || engine.IsReceiving());
        host.Pump();
        // Only this run's fixes, whatever an earlier run's thread still had.
        for (const auto& message : host.Positions())
        {
            ASSERT_TRUE(!message.pPosition->m_bPosition ||
                        message.pPosition->m_dUTCTime == 10000.0 + nCycle % 70000)
                << message.pPosition->m_dUTCTime;
        }
        const std::vector<std::string> lines = device.Lines();
        EXPECT_EQ(std::count(lines.begin() + static_cast<std::ptrdiff_t>(nLinesBefore), lines.end(),
                             std::string(row.pszMaskLine)),
                  1)
            << "the selected model's own command";
    }
    std::printf("%d start-stop cycles, %d stops over 1000 ms\n", nCycles, nSlowStops);
}
