// Emulation: replaying a recorded file line by line, the pause marker, and the files that
// cannot be played.
#include "EngineSupport.h"

#include "support/HostWindow.h"
#include "support/ReceiverProbe.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <chrono>

namespace
{

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
        m_engine.m_strEmulationFile = CScratchFolder::Text(m_file);
    }

    std::vector<CString> Texts() const
    {
        std::vector<CString> texts;
        for (const auto& message : m_host.m_Messages)
        {
            texts.push_back(*message.pText);
        }
        return texts;
    }

    CTempProfile m_profile;
    CScratchFolder m_folder;
    std::filesystem::path m_file = m_folder.File("replay.log");
    CHostWindow m_host;
    CZIDOvoine m_engine;
    CTestReceiver* m_pReceiver = nullptr;
};

const std::string kOne = NmeaSentence("GPTXT,1,one");
const std::string kTwo = NmeaSentence("GPTXT,1,two");

std::string Line(const std::string& strSentence)
{
    return strSentence.substr(0, strSentence.size() - 2) + "\n";
}

} // namespace

TEST_F(EmulationTest, ATwoLineFileReplaysEndlesslyEveryHalfSecond)
{
    CScratchFolder::Write(m_file, Line(kOne) + Line(kTwo));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(m_engine.Start());
    ASSERT_TRUE(m_host.WaitFor(5, 10000));
    EXPECT_GE(MillisecondsSince(start), 2400) << "five lines at one per 500 ms";
    const auto stop = std::chrono::steady_clock::now();
    m_engine.Stop();
    EXPECT_LT(MillisecondsSince(stop), 900) << "the replay answers Stop from its wait";

    const std::vector<CString> texts = Texts();
    ASSERT_GE(texts.size(), 5U);
    for (std::size_t i = 0; i < texts.size(); ++i)
    {
        EXPECT_EQ(texts[i], Delivered(i % 2 == 0 ? kOne : kTwo)) << i;
    }
}

TEST_F(EmulationTest, APauseMarkerShowsItsTextAndHoldsTheReplayUntilClosed)
{
    CScratchFolder::Write(m_file, Line(kOne) + "VKR PAUSE,Change the battery\n" + Line(kTwo));
    std::vector<CString> heldTexts; // the collection as the box opened and as it closed
    CMessageBoxes boxes([this, &heldTexts] {
        heldTexts.push_back(m_engine.m_ComBuffer.GetText());
        Sleep(1200);
        heldTexts.push_back(m_engine.m_ComBuffer.GetText());
    });
    ASSERT_TRUE(m_engine.Start());
    ASSERT_TRUE(m_host.WaitFor(2, 10000));
    m_engine.Stop();

    ASSERT_GE(boxes.Texts().size(), 1U);
    EXPECT_EQ(boxes.Texts()[0], CString(L"Change the battery"));
    ASSERT_GE(heldTexts.size(), 2U);
    EXPECT_EQ(heldTexts[0], Delivered(kOne));
    EXPECT_EQ(heldTexts[1], heldTexts[0]) << "nothing is replayed while the box is open";
    const std::vector<CString> texts = Texts();
    EXPECT_EQ(texts[1], Delivered(kTwo)) << "the marker itself never reaches the host";
}

TEST_F(EmulationTest, AFileThatCannotBeOpenedIsShownAndStopsTheEngine)
{
    struct Row
    {
        const char* legend;
        std::filesystem::path file;
        std::string strFolder;
        std::string strExpectedPath;
    };
    const std::string strFolder = m_folder.File("emulation-").string();
    const Row rows[] = {
        {"a missing file: the default name behind the folder prefix", m_folder.File("none.log"),
         strFolder, strFolder + "Emulation.log"},
        {"a folder given as the file, no folder: the current folder", m_folder.File(""), "",
         "Emulation.log"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CMessageBoxes boxes;
        const int nSuspends = m_pReceiver->Suspends();
        m_engine.m_strEmulationFile = CScratchFolder::Text(row.file);
        m_engine.m_strEmulationDir = CString(row.strFolder.c_str());
        ASSERT_TRUE(m_engine.Start());
        // Start suspends the receiver first, then the thread stops the engine.
        for (int i = 0; i < 300 && m_pReceiver->Suspends() < nSuspends + 2; ++i)
        {
            Sleep(10);
        }
        EXPECT_EQ(m_pReceiver->Suspends(), nSuspends + 2);
        EXPECT_FALSE(m_engine.IsActive());
        const std::string strText =
            "Unable to open the emulation file: '" + row.strExpectedPath + "'.";
        const std::vector<CString> expected = {CString(strText.c_str())};
        EXPECT_EQ(boxes.Texts(), expected);
    }
}

TEST_F(EmulationTest, AnEmptyFileEndsTheRun)
{
    CScratchFolder::Write(m_file, "");
    ASSERT_TRUE(m_engine.Start());
    Sleep(1200);
    // A run still going would find these lines when it starts the file again.
    CScratchFolder::Write(m_file, Line(kOne) + Line(kTwo));
    EXPECT_FALSE(m_host.WaitFor(1, 1500));
    EXPECT_TRUE(m_pReceiver->Parsed().empty());
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
        while (!bRelease)
        {
            Sleep(10);
        }
        bReturned = true;
    });
    ASSERT_TRUE(m_engine.Start());
    for (int i = 0; i < 300 && !bShown; ++i)
    {
        Sleep(10);
    }
    ASSERT_TRUE(bShown);
    const auto stop = std::chrono::steady_clock::now();
    m_engine.Stop();
    EXPECT_GE(MillisecondsSince(stop), 900) << "Stop waits its second, then gives up";
    EXPECT_FALSE(m_engine.IsActive());

    const auto next = m_folder.File("next.log");
    CScratchFolder::Write(next, Line(kOne));
    m_engine.m_strEmulationFile = CScratchFolder::Text(next);
    ASSERT_TRUE(m_engine.Start());
    ASSERT_TRUE(m_host.WaitFor(1, 5000));
    bRelease = true;
    // Were the late thread to wait on the new run's request, it would go on to its next line.
    ASSERT_TRUE(m_host.WaitFor(4, 5000));
    m_engine.Stop();
    EXPECT_TRUE(bReturned);
    for (const CString& text : Texts())
    {
        EXPECT_EQ(text, Delivered(kOne));
    }
}
