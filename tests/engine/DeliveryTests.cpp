// Delivery of framed messages: the framing buffer's overflow rule, and the host's collection
// with its cut-off.
#include "EngineSupport.h"

#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

namespace
{

bool Feed(CZIDOvoine& engine, const std::string& strBytes)
{
    CBinBuffer chunk(strBytes.data(), static_cast<int>(strBytes.size()));
    return engine.UpdateGPSBuffer(chunk);
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
        EXPECT_FALSE(Feed(engine, strPending));
        EXPECT_EQ(
            Feed(engine, std::string(row.nTotal - row.nPending - strEnd.size(), 'b') + strEnd),
            !row.bOverflow);
        EXPECT_EQ(engine.m_nBufferOverflows, row.bOverflow ? 1 : 0);
        EXPECT_EQ(receiver.Parsed().size(), row.bOverflow ? 0U : 2U);

        // Nothing of the dropped bytes is left to spoil the next sentence.
        EXPECT_TRUE(Feed(engine, GgaSentence(2)));
        EXPECT_EQ(receiver.Parsed().back(), Texts({GgaSentence(2)})[0]);
        EXPECT_EQ(engine.m_GPSBuffer.GetLength(), 0);
        engine.SetReceiver(nullptr);
    }
}

TEST(DeliveryTest, CollectionEndsWithTheMessageThatFindsTheTextTooLong)
{
    ResetSharedReceiverState();
    CHostWindow host;
    CZIDOvoine engine;
    CTestReceiver receiver;
    engine.SetReceiver(&receiver);
    // Ten texts of 10000 characters reach 100000 exactly, which is not yet too long.
    const std::string strSentence = NmeaSentence("GPTXT,1," + std::string(9986, 'x'));
    ASSERT_EQ(strSentence.size(), 10000U);
    Feed(engine, strSentence);
    host.Pump();
    EXPECT_TRUE(host.m_Messages.empty()) << "collection is off by default";
    EXPECT_TRUE(engine.m_ComBuffer.GetText().IsEmpty());

    engine.m_ComBuffer.m_bStopped = false;
    AfxGetApp()->m_pMainWnd = nullptr; // collected all the same (and nothing leaks)
    Feed(engine, strSentence.substr(0, 5000));
    Feed(engine, strSentence.substr(5000));
    AfxGetApp()->m_pMainWnd = &host;
    for (int i = 0; i < 12; ++i)
    {
        Feed(engine, strSentence);
    }
    host.Pump();
    EXPECT_EQ(PostedTexts(host), std::vector<CString>(11, strSentence.c_str()));
    EXPECT_EQ(receiver.Parsed().size(), 14U) << "the receiver still gets every message";

    CComBuffer copy; // the host's copy: all four members
    copy.m_strAux = L"aux";
    copy = CComBuffer(engine.m_ComBuffer);
    EXPECT_EQ(copy.GetText().GetLength(), 120000);
    EXPECT_TRUE(copy.m_bStopped && copy.m_bOverflow);
    EXPECT_TRUE(copy.m_strAux.IsEmpty());
    engine.SetReceiver(nullptr);
}
