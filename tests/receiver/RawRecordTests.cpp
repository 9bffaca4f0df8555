// Binary raw records and messages, delivered as the engine delivers them (framed, attached,
// parsed), and the raw epoch's slots. The golden streams ashtech_raw.bin, raw_positions.bin and
// binary_blocks.bin pin the decoded records; this covers what their output does not show: the
// record counters, negative tags, the code record, refusals that must change nothing, and the
// words of binary messages and their queue.
#include "support/HostWindow.h"
#include "support/RawRecordBuilder.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace
{

DataRecord_G12_MBN Mbn(int nPRN, std::int32_t lTag = 0, double dFullPhase = 0.0)
{
    DataRecord_G12_MBN record{};
    record.m_cPRN = static_cast<std::int8_t>(nPRN);
    record.m_lTag = lTag;
    record.m_dFullPhase = dFullPhase;
    return record;
}

DataRecord_G12_MCA Mca(unsigned nPRN, double dFullPhase, std::int32_t lDoppler = 1)
{
    DataRecord_G12_MCA record{};
    record.m_cPRN = static_cast<std::uint8_t>(nPRN);
    record.m_dFullPhase = dFullPhase;
    record.m_lDoppler = lDoppler;
    return record;
}

// Each slot held as PRN, tag, carrier phase and Doppler in units of 0.0001 Hz.
using SlotList = std::vector<std::tuple<int, int, double, long>>;
SlotList Slots(const CGPSDataRaw& raw)
{
    SlotList slots;
    for (int i = 0; i < raw.GetNumSV(); ++i)
    {
        const CGPSSatelliteDataRaw& x = raw.m_Satellites[i];
        EXPECT_TRUE(x.m_bValid);
        slots.emplace_back(x.m_nPRN, x.m_nTag, x.m_dCarrierPhase, std::lround(x.m_dDoppler * 1e4));
    }
    return slots;
}

} // namespace

TEST(GPSRawRecord, SlotsTakeEachSatelliteOnceElevenAtMostAndRefusalsChangeNothing)
{
    // Tags truncate toward zero; a code record keeps the measurement's tag, and its satellite
    // number is unsigned.
    CGPSDataRaw raw;
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(5, -1499, 1.0)));
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(7, 0, 1.0)));
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(9, 5000, 10.0)));
    ASSERT_TRUE(raw.AddSatelliteData(Mca(9, 20.5, 300)));
    ASSERT_TRUE(raw.AddSatelliteData(Mca(200, 1.0)));
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(7, 0, 2.0))) << "the same satellite again";
    EXPECT_EQ((SlotList{{5, -2, -1.0, 0}, {7, 0, -2.0, 0}, {9, 10, 20.5, 300}, {200, 0, 1.0, 1}}),
              Slots(raw));
    raw = CGPSDataRaw();
    for (int nPRN = 1; nPRN <= 11; ++nPRN)
    {
        ASSERT_TRUE(raw.AddSatelliteData(Mbn(nPRN)));
    }
    const SlotList full = Slots(raw);
    ASSERT_EQ(11u, full.size());
    // A twelfth, an update of one held, code records old and new, a negative satellite.
    EXPECT_FALSE(raw.AddSatelliteData(Mbn(12)));
    EXPECT_FALSE(raw.AddSatelliteData(Mbn(3)));
    EXPECT_FALSE(raw.AddSatelliteData(Mca(3, 99.0)));
    EXPECT_FALSE(raw.AddSatelliteData(Mca(40, 99.0)));
    EXPECT_FALSE(raw.AddSatelliteData(Mbn(-128)));
    EXPECT_EQ(full, Slots(raw));
    CGPSDataRaw empty;
    EXPECT_FALSE(empty.AddSatelliteData(Mca(0, 99.0)));
    EXPECT_FALSE(empty.AddSatelliteData(Mbn(0)));
    // Index searches past either end find nothing and leave the caller's slot alone.
    for (const auto& [pRaw, nIndex] : {std::pair{&raw, -1}, {&raw, 11}, {&empty, 0}})
    {
        CGPSSatelliteDataRaw probe;
        probe.m_nPRN = 77;
        EXPECT_FALSE(pRaw->GetSatelliteData(probe, nIndex)) << nIndex;
        EXPECT_EQ(77, probe.m_nPRN);
    }
    CGPSSatelliteDataRaw last;
    EXPECT_TRUE(raw.GetSatelliteData(last, 10));
    EXPECT_EQ(11, last.m_nPRN);
}

namespace
{

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
        buffer.GetCurrentMessage();
        for (bool bMore = buffer.HasMessage(); bMore; bMore = buffer.Next() && buffer.HasMessage())
        {
            int nLength = 0;
            const char* pBytes = buffer.GetMessageBin(nLength);
            m_rx.AttachRawData(pBytes, nLength);
            CString strText = buffer.GetMessage();
            nAccepted += m_rx.Parse(strText) ? 1 : 0;
        }
        m_host.Pump();
        return nAccepted;
    }

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
    const std::string pbn = PbnMessage(1000, 6378137.0, 0.0, 0.0);
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
         Measurements(5) + PbnMessage(1000, 6378137.0, 0.0, 0.0, 0.0f, false), 5, 6, 1, 0},
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
        EXPECT_EQ(std::make_tuple(row.nRawMessages, row.nErrors, row.nPublished, 0),
                  std::make_tuple(m_rx.m_nRawMessages, m_rx.m_nRawMessageErrors,
                                  m_host.Only(WM_GPS_RAWEPOCH).size() +
                                      m_host.Only(WM_GPS_EPHEMERIS).size(),
                                  CDOZOzoeiver::m_GPSDataRaw.GetNumSV()));
    }
    Deliver(SnvMessage(7, false));
    EXPECT_EQ(7, CDOZOzoeiver::m_GPSEphemeris.m_nPRN) << "a damaged ephemeris is still stored";

    // A record cut short is counted but never decoded, the head alone or one byte short; the
    // record's own bytes without the line end are enough.
    const std::string mbn = MbnMessage({});
    for (const auto& [nLength, bDecoded] : {std::pair{11, false}, {52, false}, {53, true}})
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
    std::vector<std::tuple<std::size_t, WORD, WORD>> read;
    for (std::vector<WORD> words; m_rx.GetBinaryMessage(words);)
    {
        read.emplace_back(words.size(), words.front(), words.back());
    }
    const std::vector<std::tuple<std::size_t, WORD, WORD>> expected{{70, 0x4224, 0x0A0D},
                                                                    {66, 0x44AA, 0x0101}};
    EXPECT_EQ(expected, read);

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
    EXPECT_EQ(std::make_pair(WORD{1}, WORD{256}), std::make_pair(kept.front(), kept.back()));

    // A block that declares more data than it carries is refused and leaves no words.
    CDOZOzoeiver::m_GPSMessageRaw.Set(block95.data(), 100, 100);
    CString strText(L"$BIN");
    EXPECT_FALSE(m_rx.Parse(strText));
    EXPECT_TRUE(m_rx.m_BinaryMessage.empty());
    std::vector<WORD> none;
    EXPECT_FALSE(m_rx.GetBinaryMessage(none));
}
