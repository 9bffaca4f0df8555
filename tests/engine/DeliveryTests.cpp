// Delivery of framed messages: the framing buffer's overflow rule, the raw bytes for the
// receiver, and the host's collection with its cut-off.
#include "EngineSupport.h"

#include "support/HostWindow.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

namespace
{

bool Feed(CZIDOvoine& engine, const std::string& strBytes)
{
    CBinBuffer chunk(strBytes.data(), static_cast<int>(strBytes.size()));
    return engine.UpdateGPSBuffer(chunk);
}

std::vector<CString> PostedTexts(const CHostWindow& host)
{
    std::vector<CString> texts;
    for (const auto& message : host.m_Messages)
    {
        if (message.nMessage == WM_GPS_RAWDATA)
        {
            texts.push_back(*message.pText);
        }
    }
    return texts;
}

} // namespace

TEST(DeliveryTest, ABufferReachingTheBoundIsDroppedWholeAndCounted)
{
    struct Row
    {
        const char* legend;
        int nPending; // bytes of an unfinished sentence already in the buffer
        int nTotal;   // buffer length once the chunk is in
        bool bOverflow;
    };
    const Row rows[] = {
        {"one byte below the bound: both sentences are delivered", 9000, 16391, false},
        {"reaching the bound: nothing of the chunk is delivered", 9000, 16392, true},
        {"a chunk alone above the bound", 0, 20000, true},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        CZIDOvoine engine;
        CTestReceiver receiver;
        engine.SetReceiver(&receiver);

        const std::string strPending =
            row.nPending > 0 ? "$GPTXT," + std::string(row.nPending - 7, 'a') : "";
        const std::string strEnd = "\r\n" + GgaSentence(1);
        const std::string strChunk =
            std::string(row.nTotal - row.nPending - strEnd.size(), 'b') + strEnd;
        EXPECT_FALSE(Feed(engine, strPending));
        EXPECT_EQ(Feed(engine, strChunk), !row.bOverflow);
        EXPECT_EQ(engine.m_nBufferOverflows, row.bOverflow ? 1 : 0);
        EXPECT_EQ(receiver.Parsed().size(), row.bOverflow ? 0U : 2U);

        // Nothing of the dropped bytes is left to spoil the next sentence.
        EXPECT_TRUE(Feed(engine, GgaSentence(2)));
        EXPECT_EQ(receiver.Parsed().back(), Delivered(GgaSentence(2)));
        EXPECT_EQ(engine.m_GPSBuffer.GetLength(), 0);
        engine.SetReceiver(nullptr);
    }
}

TEST(DeliveryTest, AttachedRawDataHoldsTheMessageBytes)
{
    ResetSharedReceiverState();
    CZIDOvoine engine;
    CTestReceiver receiver;
    engine.SetReceiver(&receiver);
    engine.m_bAttachRawData = true;
    const std::string strSentence = GgaSentence(3);
    EXPECT_TRUE(Feed(engine, "garbage" + strSentence));
    int nLength = 0;
    const char* pBytes = CDOZOzoeiver::m_GPSMessageRaw.GetMessageBin(nLength);
    ASSERT_NE(pBytes, nullptr);
    EXPECT_EQ(std::string(pBytes, nLength), strSentence.substr(0, strSentence.size() - 1));
    engine.SetReceiver(nullptr);
}

TEST(DeliveryTest, CollectionPostsEachTextInOrderOnlyWhileOn)
{
    ResetSharedReceiverState();
    CHostWindow host;
    CZIDOvoine engine;
    const std::string strFirst = NmeaSentence("GPTXT,1,first");
    const std::string strSecond = NmeaSentence("GPTXT,1,second");

    Feed(engine, strFirst);
    host.Pump();
    EXPECT_TRUE(host.m_Messages.empty()) << "collection is off by default";
    EXPECT_TRUE(engine.m_ComBuffer.GetText().IsEmpty());

    engine.m_ComBuffer.m_bStopped = false;
    Feed(engine, strFirst + strSecond.substr(0, 5));
    Feed(engine, strSecond.substr(5));
    host.Pump();
    const std::vector<CString> expected = {Delivered(strFirst), Delivered(strSecond)};
    EXPECT_EQ(PostedTexts(host), expected);
    EXPECT_EQ(engine.m_ComBuffer.GetText(), expected[0] + expected[1]);

    // Without a main window the texts are still collected (and nothing leaks).
    AfxGetApp()->m_pMainWnd = nullptr;
    Feed(engine, strFirst);
    AfxGetApp()->m_pMainWnd = &host;
    EXPECT_EQ(engine.m_ComBuffer.GetText().GetLength(),
              2 * expected[0].GetLength() + expected[1].GetLength());
}

TEST(DeliveryTest, CollectionEndsWithTheMessageThatFindsTheTextTooLong)
{
    ResetSharedReceiverState();
    CHostWindow host;
    CZIDOvoine engine;
    CTestReceiver receiver;
    engine.SetReceiver(&receiver);
    engine.m_ComBuffer.m_bStopped = false;
    // Ten texts of 10000 characters reach 100000 exactly, which is not yet too long.
    const std::string strSentence = NmeaSentence("GPTXT,1," + std::string(9986, 'x'));
    ASSERT_EQ(Delivered(strSentence).GetLength(), 10000);
    for (int i = 0; i < 13; ++i)
    {
        Feed(engine, strSentence);
    }
    host.Pump();
    EXPECT_EQ(PostedTexts(host).size(), 12U);
    EXPECT_EQ(engine.m_ComBuffer.GetText().GetLength(), 120000);
    EXPECT_TRUE(engine.m_ComBuffer.m_bStopped);
    EXPECT_TRUE(engine.m_ComBuffer.m_bOverflow);
    EXPECT_EQ(receiver.Parsed().size(), 13U) << "the receiver still gets every message";

    const CComBuffer copy(engine.m_ComBuffer);
    CComBuffer assigned;
    assigned.m_strAux = L"aux";
    assigned = copy;
    EXPECT_EQ(assigned.GetText().GetLength(), 120000);
    EXPECT_TRUE(assigned.m_bStopped && assigned.m_bOverflow);
    EXPECT_TRUE(assigned.m_strAux.IsEmpty());
    engine.SetReceiver(nullptr);
}
