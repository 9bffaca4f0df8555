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

namespace
{

constexpr int kPort = 11;

// Points the link at a device, replacing what it pointed to in one step.
void PointLink(const std::filesystem::path& link, const std::string& strTarget)
{
    const std::filesystem::path next = link.string() + ".next";
    std::filesystem::create_symlink(strTarget, next);
    std::filesystem::rename(next, link);
}

TEST(PulledCable, TheLossIsReportedTheReceiverKeptAliveAndTheDeviceTakenBackAtItsPath)
{
    ResetSharedReceiverState();
    CTempProfile profile;
    CScratchFolder folder;
    const auto link = folder.File("gps");
    auto pty = std::make_unique<CPtyPair>();
    ASSERT_TRUE(pty->IsValid());
    PointLink(link, pty->SlavePath());
    const CComPortMapping mapping(kPort, link.string());
    CHostWindow host;
    CZIDOvoine engine;
    auto* pReceiver = new CTestReceiver(L"Test");
    pReceiver->SetupReceiver(kPort, 0, 0.0, CString(L""), false);
    ASSERT_TRUE(engine.AddReceiver(pReceiver));
    engine.SetReceiver(pReceiver);
    engine.m_ComBuffer.m_bStopped = false;

    const auto deliver = [&](int nSecond) {
        const std::size_t nBefore = PostedTexts(host).size();
        return pty->Send(GgaSentence(nSecond)) && WaitUntil([&] {
                   host.Pump();
                   return PostedTexts(host).size() > nBefore;
               });
    };
    const auto start = [&] {
        const int nBefore = pReceiver->m_nInitialized;
        return engine.Start() && WaitUntil([&] { return pReceiver->m_nInitialized > nBefore; });
    };

    ASSERT_TRUE(start());
    ASSERT_TRUE(deliver(1));
    EXPECT_FALSE(engine.IsPortLost());

    pty->CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return engine.IsPortLost(); }));
    // Keep-alives go on as on a silent line, one a turn.
    const std::size_t nKeepAlives = pReceiver->KeepAlives().size();
    EXPECT_TRUE(WaitUntil([&] { return pReceiver->KeepAlives().size() >= nKeepAlives + 2; }));
    EXPECT_TRUE(engine.IsActive());
    const auto stopStart = std::chrono::steady_clock::now();
    engine.Stop();
    EXPECT_LT(MillisecondsSince(stopStart), 1000) << "the thread answers the stop request";
    EXPECT_FALSE(engine.IsPortLost()) << "no run, no port";

    // Not back yet: the link points nowhere, and the next Start cannot open the device.
    ASSERT_TRUE(engine.Start());
    EXPECT_TRUE(WaitUntil([&] { return engine.GetLastError() == GPS_ENGINE_INIT_FAILED; }));
    EXPECT_FALSE(engine.IsPortLost());

    pty = std::make_unique<CPtyPair>();
    ASSERT_TRUE(pty->IsValid());
    PointLink(link, pty->SlavePath());
    ASSERT_TRUE(start());
    EXPECT_EQ(engine.GetLastError(), GPS_ENGINE_NO_ERROR);
    ASSERT_TRUE(deliver(2));
    EXPECT_FALSE(engine.IsPortLost());
    engine.Stop();
    EXPECT_EQ(PostedTexts(host), Texts({GgaSentence(1), GgaSentence(2)}));
}

} // namespace
