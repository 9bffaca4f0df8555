// Emulation: a recorded file replayed line by line with its pause marker, files that cannot be
// played, and a thread that misses Stop's answer window. The line interval (500 ms) and that
// window (1 s) are waits on events, out of the sleep hook's reach: these run in real time.
#include "EngineSupport.h"

#include "support/ReceiverProbe.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

namespace
{

const std::string kOne = NmeaSentence("GPTXT,1,one");
const std::string kTwo = NmeaSentence("GPTXT,1,two");

// The sentence as a line of the file.
std::string Line(const std::string& strSentence)
{
    return strSentence.substr(0, strSentence.size() - 2) + "\n";
}

class EmulationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        m_pReceiver = new CTestReceiver;
        ASSERT_TRUE(m_engine.AddReceiver(m_pReceiver));
        m_engine.SetReceiver(m_pReceiver);
        m_engine.m_bEmulation = true;
        m_engine.m_ComBuffer.m_bStopped = false;
        m_engine.m_strEmulationFile = CString(m_file.c_str());
    }

    CTempProfile m_profile;
    CScratchFolder m_folder;
    std::filesystem::path m_file = m_folder.File("replay.log");
    CHostWindow m_host;
    CZIDOvoine m_engine; // goes first: no thread outlives the window
    CTestReceiver* m_pReceiver = nullptr;
};

} // namespace

TEST_F(EmulationTest, AFileReplaysEndlesslyEveryHalfSecondAndAPauseMarkerShowsItsText)
{
    CScratchFolder::Write(m_file, Line(kOne) + "VKR PAUSE,Change the battery\n" + Line(kTwo));
    std::vector<CString> held; // the collection as the box opened
    CMessageBoxes boxes([&] { held.push_back(m_engine.m_ComBuffer.GetText()); });
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(m_engine.Start());
    ASSERT_TRUE(m_host.WaitFor(3, 10000));
    EXPECT_GE(MillisecondsSince(start), 1900) << "four lines at one per 500 ms";
    const auto stop = std::chrono::steady_clock::now();
    m_engine.Stop();
    EXPECT_LT(MillisecondsSince(stop), 900) << "the replay answers Stop from its wait";
    std::vector<CString> texts = PostedTexts(m_host);
    texts.resize(3);
    EXPECT_EQ(texts, Texts({kOne, kTwo, kOne})) << "the marker never reaches the host";
    EXPECT_EQ(boxes.Texts().at(0), CString(L"Change the battery"));
    EXPECT_EQ(held.at(0), Texts({kOne})[0]);
}

TEST_F(EmulationTest, AFileThatCannotBeOpenedIsShownAndStopsTheEngine)
{
    // A missing file is shown as the default name behind the folder prefix; a folder given as
    // the file, with no folder prefix, as that name in the current folder.
    const std::string strFolder = m_folder.File("emulation-").string();
    for (const auto& [file, strPrefix] : {std::pair{m_folder.File("none.log"), strFolder},
                                          std::pair{m_folder.File(""), std::string()}})
    {
        SCOPED_TRACE(file);
        CMessageBoxes boxes;
        const int nSuspends = m_pReceiver->Log().nSuspends;
        m_engine.m_strEmulationFile = CString(file.c_str());
        m_engine.m_strEmulationDir = CString(strPrefix.c_str());
        ASSERT_TRUE(m_engine.Start());
        // Start suspends the receiver first, then the thread stops the engine.
        EXPECT_TRUE(WaitUntil([&] { return m_pReceiver->Log().nSuspends == nSuspends + 2; }));
        EXPECT_FALSE(m_engine.IsActive());
        const std::string strText =
            "Unable to open the emulation file: '" + strPrefix + "Emulation.log'.";
        EXPECT_EQ(boxes.Texts(), std::vector<CString>{CString(strText.c_str())});
    }
}

TEST_F(EmulationTest, AnEmptyFileEndsTheRun)
{
    CScratchFolder::Write(m_file, "");
    ASSERT_TRUE(m_engine.Start());
    Sleep(1000); // the run looked at the file after 500 ms
    // A run still going would find these lines at its next look.
    CScratchFolder::Write(m_file, Line(kOne) + Line(kTwo));
    EXPECT_FALSE(m_host.WaitFor(1, 1000));
    EXPECT_TRUE(m_engine.IsActive()) << "the engine stays active until Stop";
}

TEST_F(EmulationTest, AThreadThatMissedStopEndsWithoutTouchingTheNextRun)
{
    // The first run's thread sits in a pause box through Stop's whole answer window.
    CScratchFolder::Write(m_file, "VKR PAUSE,hold\n" + Line(NmeaSentence("GPTXT,1,stale")));
    std::atomic<bool> bShown{false};
    std::atomic<bool> bRelease{false};
    std::atomic<bool> bReturned{false};
    CMessageBoxes boxes([&] {
        bShown = true;
        WaitUntil([&] { return bRelease.load(); }, 60000);
        bReturned = true;
    });
    ASSERT_TRUE(m_engine.Start());
    ASSERT_TRUE(WaitUntil([&] { return bShown.load(); }));
    const auto stop = std::chrono::steady_clock::now();
    m_engine.Stop();
    EXPECT_GE(MillisecondsSince(stop), 900) << "Stop waits its second, then gives up";
    EXPECT_FALSE(m_engine.IsActive());

    const auto next = m_folder.File("next.log");
    CScratchFolder::Write(next, Line(kOne));
    m_engine.m_strEmulationFile = CString(next.c_str());
    ASSERT_TRUE(m_engine.Start());
    ASSERT_TRUE(m_host.WaitFor(1, 5000));
    bRelease = true;
    // Were the late thread to wait on the new run's request, it would go on to its next line.
    ASSERT_TRUE(m_host.WaitFor(3, 5000));
    m_engine.Stop();
    EXPECT_TRUE(bReturned);
    EXPECT_EQ(PostedTexts(m_host), std::vector<CString>(PostedTexts(m_host).size(), kOne.c_str()));
}
