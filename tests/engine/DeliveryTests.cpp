// Delivery of framed messages: the framing buffer's bound, a parser that throws, the library's
// models reading what the framer saw of a message, and the host's collection with its cut-off.
#include "EngineSupport.h"

#include "models/NmeaModels.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

namespace
{

bool Feed(CZIDOvoine& engine, const std::string& strBytes)
{
    CBinBuffer chunk(strBytes.data(), static_cast<int>(strBytes.size()));
    return engine.UpdateGPSBuffer(chunk);
}

// A host's own model derived from a library model, with its own Parse.
class CHostGps : public COtherGps
{
public:
    bool Parse(CString& strMessage) override
    {
        ++m_nParsed;
        return COtherGps::Parse(strMessage);
    }
    int m_nParsed = 0;
};
// Whether the engine's delivery of the bytes parsed a message, and whether it was taken for a GGA.
std::pair<bool, bool> Deliver(CDOZOzoeiver& model, const std::string& strBytes)
{
    ResetSharedReceiverState();
    CZIDOvoine engine;
    engine.SetReceiver(&model);
    model.MonitorNmea(true);
    const bool bParsed = Feed(engine, strBytes);
    engine.SetReceiver(nullptr);
    return {bParsed, model.HaveGotNmea(GPS_STRING_GGA)};
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
    } const rows[] = {
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
        EXPECT_EQ(receiver.Log().parsed.size(), row.bOverflow ? 0U : 2U);
        // Nothing of the dropped bytes is left to spoil the next sentence.
        EXPECT_TRUE(Feed(engine, GgaSentence(2)));
        EXPECT_EQ(receiver.Log().parsed.back(), Texts({GgaSentence(2)})[0]);
        EXPECT_EQ(engine.m_GPSBuffer.GetLength(), 0);
        engine.SetReceiver(nullptr);
    }
}

TEST(DeliveryTest, AParserThatThrowsRejectsOnlyItsMessageAndTheBufferCannotTakeItself)
{
    struct CThrowing : CTestReceiver
    {
        bool Parse(CString& strMessage) override
        {
            CTestReceiver::Parse(strMessage);
            throw std::runtime_error("a host's parser failed");
        }
    } receiver;
    ResetSharedReceiverState();
    CZIDOvoine engine;
    engine.SetReceiver(&receiver);
    EXPECT_FALSE(Feed(engine, GgaSentence(1) + GgaSentence(2)));
    EXPECT_EQ(receiver.Log().parsed, Texts({GgaSentence(1), GgaSentence(2)})) << "both were tried";
    Feed(engine, "$GPTXT,1,pending");
    EXPECT_FALSE(engine.UpdateGPSBuffer(engine.m_GPSBuffer));
    EXPECT_EQ(engine.m_GPSBuffer.GetLength(), 16) << "left as it was";
    engine.SetReceiver(nullptr);
}

TEST(DeliveryTest, LibraryModelsReadWhatTheFramerSawAsParseReadsTheText)
{
    // A library model's messages come with the framer's port-tag and checksum findings; a host's
    // class, which may replace Parse, goes through its Parse. Both must come to the same kind.
    const std::string gga = GgaSentence(1);
    std::string badSum = gga;
    badSum[badSum.size() - 3] = badSum[badSum.size() - 3] == '0' ? '1' : '0';
    std::string cut = gga;
    cut[20] = '\0';
    const std::pair<std::string, bool> rows[] = {
        {gga, true},
        {badSum, false},
        {"[COM1]" + gga, true},
        {"[COM2]" + badSum, false},
        // A bracket that is no port tag.
        {NmeaSentence("GPGGA,120001.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,[1"), true},
        {cut, false}, // a zero byte ends the text before its checksum
        {gga.substr(0, gga.size() - 5) + "\r\n", false}, // no checksum
    };
    for (const auto& [strBytes, bGga] : rows)
    {
        SCOPED_TRACE(strBytes);
        COtherGps model;
        const auto library = Deliver(model, strBytes);
        CHostGps host;
        EXPECT_EQ(library, Deliver(host, strBytes));
        EXPECT_EQ(host.m_nParsed, 1);
        EXPECT_EQ(library.second, bGga);
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
        Feed(engine, strSentence);
    host.Pump();
    EXPECT_EQ(PostedTexts(host), std::vector<CString>(11, strSentence.c_str()));
    EXPECT_EQ(receiver.Log().parsed.size(), 14U) << "the receiver still gets every message";

    CComBuffer copy; // the host's copy: all four members
    copy.m_strAux = L"aux";
    copy = CComBuffer(engine.m_ComBuffer);
    EXPECT_EQ(copy.GetText().GetLength(), 120000);
    EXPECT_TRUE(copy.m_bStopped && copy.m_bOverflow);
    EXPECT_TRUE(copy.m_strAux.IsEmpty());
    engine.SetReceiver(nullptr);
}
