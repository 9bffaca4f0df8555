// Binary raw records and messages, delivered as the engine delivers them (framed, attached,
// parsed). The golden streams ashtech_raw.bin, raw_positions.bin (raw ranges folded, navigation
// records far apart) and binary_blocks.bin pin the decoded records; this covers what their output
// does not show: the record counters, refused records whose satellite comes again in the same
// epoch, and the words of binary messages and their queue.
#include "support/HostWindow.h"
#include "support/RawRecordBuilder.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace
{

constexpr double kA = 6378137.0;

class RawRecordTest : public ::testing::Test
{
protected:
    void SetUp() override { ResetSharedReceiverState(); }

    // The bytes as one read, each whole message attached and parsed as the engine does; how many
    // Parse accepted.
    int Deliver(const std::string& bytes)
    {
        int nAccepted = 0;
        CBinBuffer buffer(bytes.data(), static_cast<int>(bytes.size()));
        for (buffer.GetCurrentMessage(); buffer.HasMessage();)
        {
            int nLength = 0;
            const char* pBytes = buffer.GetMessageBin(nLength);
            m_rx.AttachRawData(pBytes, nLength);
            CString strText = buffer.GetMessage();
            nAccepted += m_rx.Parse(strText) ? 1 : 0;
            if (!buffer.Next())
            {
                break;
            }
        }
        m_host.Pump();
        return nAccepted;
    }

    std::vector<CHostWindow::SMessage> Epochs() const { return m_host.Only(WM_GPS_RAWEPOCH); }

    CHostWindow m_host;
    CProbeReceiver m_rx;
};

// Measurements of satellites 3, 5, 7, ...
std::string Measurements(int nCount)
{
    std::string bytes;
    for (int i = 0; i < nCount; ++i)
    {
        bytes += MbnMessage({.nPRN = static_cast<std::int8_t>(3 + 2 * i)});
    }
    return bytes;
}

} // namespace

// Each row alone; whatever it published, nothing of it is left for the next epoch.
TEST_F(RawRecordTest, RecordsAreCountedAndRefusedOnesLeaveNothing)
{
    const std::string pbn = PbnMessage(1000, kA, 0.0, 0.0);
    const struct
    {
        const char* legend;
        std::string bytes;
        int nAccepted, nRawMessages, nErrors;
        std::size_t nPublished; // epochs and ephemerides
    } rows[] = {
        {"an epoch of four satellites", Measurements(4) + pbn, 5, 5, 0, 1},
        {"an ephemeris", SnvMessage(5), 1, 1, 0, 1},
        {"an ephemeris with a bad checksum", SnvMessage(7, false), 0, 1, 1, 0},
        {"a measurement of quality 23", MbnMessage({.nQuality = 23}), 0, 1, 1, 0},
        {"a measurement with a bad checksum", MbnMessage({}, false), 0, 1, 1, 0},
        {"a measurement without its marker", MbnMessage({.nMarker = 2}), 0, 1, 1, 0},
        {"a measurement of satellite 0", MbnMessage({.nPRN = 0}), 0, 1, 1, 0},
        {"three satellites give no solution", Measurements(3) + pbn, 4, 4, 0, 0},
        {"a damaged navigation record drops the measurements",
         Measurements(5) + PbnMessage(1000, kA, 0.0, 0.0, 0.0f, false), 5, 6, 1, 0},
        {"a twelfth satellite", Measurements(12) + pbn, 12, 13, 1, 1},
        {"a C/A-code record is framed but not decoded",
         "$PASHR,MCA," + std::string(37, 'x') + "\r\n", 0, 0, 0, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        m_host.m_Messages.clear();
        m_rx.m_nRawMessages = m_rx.m_nRawMessageErrors = 0;
        EXPECT_EQ(row.nAccepted, Deliver(row.bytes));
        EXPECT_EQ(row.nRawMessages, m_rx.m_nRawMessages);
        EXPECT_EQ(row.nErrors, m_rx.m_nRawMessageErrors);
        EXPECT_EQ(row.nPublished, Epochs().size() + m_host.Only(WM_GPS_EPHEMERIS).size());
        EXPECT_EQ(0, CDOZOzoeiver::m_GPSDataRaw.GetNumSV());
    }
    Deliver(SnvMessage(7, false));
    EXPECT_EQ(7, CDOZOzoeiver::m_GPSEphemeris.m_nPRN) << "a damaged ephemeris is still stored";

    // A record cut short is counted but never decoded, the head alone or one byte short; the
    // record's own bytes without the line end are enough.
    const std::string mbn = MbnMessage({});
    for (const auto& [nLength, bDecoded] :
         {std::pair{11, false}, {11 + 41, false}, {11 + 42, true}})
    {
        SCOPED_TRACE(nLength);
        ResetSharedReceiverState();
        m_rx.m_nRawMessages = m_rx.m_nRawMessageErrors = 0;
        m_rx.AttachRawData(mbn.data(), nLength);
        CString strHead(L"$PASHR,MBN,");
        EXPECT_EQ(bDecoded, m_rx.Parse(strHead));
        EXPECT_EQ(std::make_tuple(1, 0, bDecoded ? 1 : 0),
                  std::make_tuple(m_rx.m_nRawMessages, m_rx.m_nRawMessageErrors,
                                  CDOZOzoeiver::m_GPSDataRaw.GetNumSV()));
    }
}

// The golden output shows only how many words each message has.
TEST_F(RawRecordTest, BinaryMessagesAreHandedOverAsLittleEndianWordsInOrder)
{
    std::string block95("$BIN\x5F\x00\x80\x00", 8); // block 95, 128 data bytes
    for (int i = 0; i < 128 + 2; ++i)
    {
        block95.push_back(static_cast<char>(i));
    }
    block95 += "\r\n";
    std::string oem = "\xAA\x44\x12\x1C";
    oem.resize(133, '\x01');
    oem[8] = static_cast<char>(133 - 28 - 4); // message length, so the framing takes 133 bytes
    oem[9] = '\0';

    // Both arrive before the host reads: each announcement reads its own message, in order.
    Deliver(block95 + oem);
    EXPECT_EQ(2u, m_host.Only(WM_GPS_BINARYMSG).size());
    // Word count, first and last word of each.
    for (const auto& expected : {std::tuple<std::size_t, WORD, WORD>{70, 0x4224, 0x0A0D},
                                 std::tuple<std::size_t, WORD, WORD>{66, 0x44AA, 0x0101}})
    {
        std::vector<WORD> words;
        ASSERT_TRUE(m_rx.GetBinaryMessage(words));
        ASSERT_FALSE(words.empty());
        EXPECT_EQ(expected, std::make_tuple(words.size(), words.front(), words.back()));
    }
    std::vector<WORD> none;
    EXPECT_FALSE(m_rx.GetBinaryMessage(none)) << "every announced message was read";

    // A host that does not read keeps the newest 256 messages; the oldest go first.
    for (int i = 0; i < 257; ++i)
    {
        std::string numbered = oem;
        numbered[28] = static_cast<char>(i & 0xFF); // word 14 carries the message's number
        numbered[29] = static_cast<char>(i >> 8);
        Deliver(numbered);
    }
    std::vector<WORD> kept;
    for (std::vector<WORD> words; m_rx.GetBinaryMessage(words);)
    {
        kept.push_back(words[14]);
    }
    ASSERT_EQ(256u, kept.size());
    EXPECT_EQ(1, kept.front());
    EXPECT_EQ(256, kept.back());

    // A block that declares more data than it carries is refused and leaves no words.
    CDOZOzoeiver::m_GPSMessageRaw.Set(block95.data(), 100, 100);
    CString strText(L"$BIN");
    EXPECT_FALSE(m_rx.Parse(strText));
    EXPECT_TRUE(m_rx.m_BinaryMessage.empty());
    EXPECT_FALSE(m_rx.GetBinaryMessage(none));
}
