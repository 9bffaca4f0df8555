// A pulled cable during live acquisition: the receiver's side of the pseudo-terminal closes. The
// port is mapped to a symbolic link, so the device can come back at the same path as a new
// pseudo-terminal, as an adapter plugged in again does.
#include "engine/EngineSupport.h"

#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

TEST(PulledCable, TheLossIsReportedTheReceiverKeptAliveAndTheDeviceTakenBackAtItsPath)
{
    ResetSharedReceiverState();
    const CTempProfile profile;
    const CScratchFolder folder;
    CPtyAtPath device(folder.File("gps").string());
    const std::string& strLink = device.Path();
    const CComPortMapping mapping(11, strLink);
    CHostWindow host;
    CZIDOvoine engine;
    auto* pReceiver = new CTestReceiver(L"Test");
    pReceiver->SetupReceiver(mapping.Port(), 0, 0.0, CString(L""), false);
    ASSERT_TRUE(engine.AddReceiver(pReceiver));
    engine.SetReceiver(pReceiver);
    engine.m_ComBuffer.m_bStopped = false;
    const auto startAndDeliver = [&](int nSecond) {
        const int nBefore = pReceiver->m_nInitialized;
        const std::size_t nTexts = PostedTexts(host).size();
        return engine.Start() && WaitUntil([&] { return pReceiver->m_nInitialized > nBefore; }) &&
               device.Pty().Send(GgaSentence(nSecond)) && WaitUntil([&] {
                   host.Pump();
                   return PostedTexts(host).size() > nTexts;
               });
    };

    ASSERT_TRUE(startAndDeliver(1));
    EXPECT_FALSE(engine.IsPortLost());
    device.Unplug();
    ASSERT_TRUE(WaitUntil([&] { return engine.IsPortLost(); }));
    // Keep-alives go on as on a silent line, one a turn.
    const std::size_t nKeepAlives = pReceiver->KeepAlives().size();
    EXPECT_TRUE(WaitUntil([&] { return pReceiver->KeepAlives().size() >= nKeepAlives + 2; }));
    const auto stopStart = std::chrono::steady_clock::now();
    engine.Stop();
    EXPECT_LT(MillisecondsSince(stopStart), 1000) << "the thread answers the stop request";
    EXPECT_FALSE(engine.IsPortLost()) << "no run, no port";

    // Not back yet: the link points nowhere, and a Start cannot open the device.
    ASSERT_TRUE(engine.Start());
    EXPECT_TRUE(WaitUntil([&] { return engine.GetLastError() == GPS_ENGINE_INIT_FAILED; }));
    EXPECT_FALSE(engine.IsPortLost());

    device.PlugIn();
    ASSERT_TRUE(startAndDeliver(2));
    EXPECT_FALSE(engine.IsPortLost());
    engine.Stop();
    EXPECT_EQ(PostedTexts(host), Texts({GgaSentence(1), GgaSentence(2)}));
}
