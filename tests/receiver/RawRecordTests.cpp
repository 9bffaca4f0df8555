// Binary raw records and messages, delivered as the engine delivers them (framed, attached,
// parsed): measurements gathering into an epoch that the navigation record publishes, the
// records refused and what they count, the position of a navigation record, the ephemeris, and
// the binary messages handed over as words.
#include "rawdata/Geodesy.h"
#include "rawdata/RawBinInterval.h"
#include "support/HostWindow.h"
#include "support/RawRecordBuilder.h"
#include "support/ReceiverProbe.h"
#include "support/ScratchFolder.h"
#include "support/Sentences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace
{

constexpr double kA = 6378137.0;
constexpr double kC = 299792458.0;

class RawRecordTest : public ::testing::Test
{
protected:
    void SetUp() override { ResetSharedReceiverState(); }

    // Attaches and parses every whole message in the buffer, as the engine does with a read;
    // how many Parse accepted.
    int Walk(CBinBuffer& buffer)
    {
        int nAccepted = 0;
        buffer.GetCurrentMessage();
        while (buffer.HasMessage())
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
        buffer.Resize();
        return nAccepted;
    }

    // The bytes as one read.
    int Deliver(const std::string& bytes)
    {
        CBinBuffer buffer(bytes.data(), static_cast<int>(bytes.size()));
        const int nAccepted = Walk(buffer);
        m_host.Pump();
        return nAccepted;
    }

    std::vector<CHostWindow::SMessage> Epochs() const { return m_host.Only(WM_GPS_RAWEPOCH); }

    // Delivers the bytes in reads of nChunk bytes through one buffer kept across reads, as the
    // engine does; what reached the host, one line a record.
    std::vector<std::string> DeliverInReads(const std::string& bytes, std::size_t nChunk)
    {
        ResetSharedReceiverState();
        m_host.m_Messages.clear();
        CBinBuffer buffer;
        for (std::size_t nStart = 0; nStart < bytes.size(); nStart += nChunk)
        {
            CBinBuffer read(bytes.data() + nStart,
                            static_cast<int>(std::min(nChunk, bytes.size() - nStart)));
            buffer += read;
            Walk(buffer);
        }
        m_host.Pump();
        std::vector<std::string> records;
        for (const auto& message : m_host.m_Messages)
        {
            std::string strRecord = std::to_string(message.nMessage);
            if (message.pRaw)
            {
                strRecord += " " + std::to_string(message.pRaw->m_dReceiverTime);
                for (int i = 0; i < message.pRaw->GetNumSV(); ++i)
                {
                    const CGPSSatelliteDataRaw& sv = message.pRaw->m_Satellites[i];
                    strRecord +=
                        " " + std::to_string(sv.m_nPRN) + ":" + std::to_string(sv.m_dPseudorange);
                }
            }
            if (message.pEphemeris)
            {
                strRecord += " " + std::to_string(message.pEphemeris->m_nPRN);
            }
            records.push_back(strRecord);
        }
        return records;
    }

    CHostWindow m_host;
    CProbeReceiver m_rx;
};

// Measurements of satellites 3, 5, 7, ... counting down to the epoch's last record.
std::string Measurements(int nCount)
{
    std::string bytes;
    for (int i = 0; i < nCount; ++i)
    {
        SMbn m;
        m.nPRN = static_cast<std::int8_t>(3 + 2 * i);
        m.nLeft = static_cast<std::int8_t>(nCount - 1 - i);
        bytes += MbnMessage(m);
    }
    return bytes;
}

} // namespace

TEST_F(RawRecordTest, TheNavigationRecordPublishesTheGatheredEpoch)
{
    SMbn first;
    first.nTag = 1999;
    first.nLeft = 1;
    ASSERT_EQ(1, Deliver(SnvMessage(2400, 345600, 9)));
    Deliver(MbnMessage(first) + Measurements(4));
    EXPECT_TRUE(CDOZOzoeiver::m_GPSDataRaw.m_bEpochComplete);
    EXPECT_TRUE(Epochs().empty()) << "measurements wait for their navigation record";

    Deliver(PbnMessage(345601500, kA, 0.0, 0.0, 2997.92458f, 0.5f));
    ASSERT_EQ(1u, Epochs().size());
    const CGPSDataRaw& epoch = *Epochs()[0].pRaw;
    ASSERT_EQ(4, epoch.GetNumSV()) << "satellite 5 came twice and kept one slot";
    const CGPSSatelliteDataRaw& five = epoch.m_Satellites[0];
    EXPECT_EQ(5, five.m_nPRN);
    EXPECT_TRUE(five.m_bValid);
    EXPECT_EQ(2, five.m_nTag) << "the later record's tag, 1000 / 500";
    EXPECT_DOUBLE_EQ(0.5 * kC, five.m_dPseudorange);
    EXPECT_DOUBLE_EQ(-1.2345, five.m_dDoppler);
    EXPECT_DOUBLE_EQ(-1000.25, five.m_dCarrierPhase);
    EXPECT_EQ(9, epoch.m_Satellites[3].m_nPRN);
    EXPECT_FALSE(epoch.m_Satellites[4].m_bValid) << "no slot beyond the epoch's satellites";
    EXPECT_EQ(2400, epoch.m_nGPSWeek) << "the week of the last ephemeris";
    EXPECT_DOUBLE_EQ(345601.5, epoch.m_dReceiverTime);
    EXPECT_NEAR(345601.5 - 1e-5, epoch.m_dCorrectedTime, 1e-9);
    EXPECT_FLOAT_EQ(0.5f, static_cast<float>(epoch.m_dClockDrift));
    EXPECT_NEAR(0.0, epoch.m_dLatitude, 1e-9);
    EXPECT_NEAR(0.0, epoch.m_dHeight, 1e-6);
    EXPECT_EQ(0, CDOZOzoeiver::m_GPSDataRaw.GetNumSV()) << "the published epoch starts afresh";
    EXPECT_EQ(7, m_rx.m_nRawMessages);
    EXPECT_EQ(0, m_rx.m_nRawMessageErrors);
}

TEST_F(RawRecordTest, TheRawRangeIsFoldedAroundItsComplement)
{
    const struct
    {
        double dRawRange;
        double dSeconds;
    } rows[] = {{2.3, 0.7}, {0.5, 0.5}, {-0.5, 0.5}, {3.7, 0.3}, {-1.75, 0.75}, {1.0, 0.0}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.dRawRange);
        ResetSharedReceiverState();
        SMbn m;
        m.dRawRange = row.dRawRange;
        Deliver(MbnMessage(m));
        EXPECT_NEAR(row.dSeconds * kC, CDOZOzoeiver::m_GPSDataRaw.m_Satellites[0].m_dPseudorange,
                    1e-6);
    }
}

TEST_F(RawRecordTest, RefusedRecordsAreCountedAndLeaveTheEpoch)
{
    struct SRow
    {
        const char* legend;
        std::string bytes;
        int nRawMessages;
        int nErrors;
    };
    SMbn quality;
    quality.nQuality = 23;
    SMbn marker;
    marker.nMarker = 2;
    SMbn noSatellite;
    noSatellite.nPRN = 0;
    const SRow rows[] = {
        {"a measurement of quality 23", MbnMessage(quality), 1, 1},
        {"a measurement with a bad checksum", MbnMessage(SMbn(), false), 1, 1},
        {"a measurement without its marker", MbnMessage(marker), 1, 1},
        {"satellite 0", MbnMessage(noSatellite), 1, 1},
        {"an ephemeris with a bad checksum", SnvMessage(2400, 345600, 9, false), 1, 1},
        {"a C/A-code record is framed but not decoded",
         "$PASHR,MCA," + std::string(37, 'x') + "\r\n", 0, 0},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        m_rx.m_nRawMessages = 0;
        m_rx.m_nRawMessageErrors = 0;
        EXPECT_EQ(0, Deliver(row.bytes));
        EXPECT_EQ(row.nRawMessages, m_rx.m_nRawMessages);
        EXPECT_EQ(row.nErrors, m_rx.m_nRawMessageErrors);
        EXPECT_EQ(0, CDOZOzoeiver::m_GPSDataRaw.GetNumSV());
    }
    m_host.Pump();
    EXPECT_TRUE(m_host.Only(WM_GPS_EPHEMERIS).empty()) << "a damaged ephemeris is not published";

    // A record cut short is counted but never decoded, even with its head complete.
    m_rx.m_nRawMessages = 0;
    m_rx.m_nRawMessageErrors = 0;
    const std::string head = "$PASHR,MBN,";
    m_rx.AttachRawData(head.data(), static_cast<int>(head.size()));
    CString strHead(head.c_str());
    EXPECT_FALSE(m_rx.Parse(strHead));
    EXPECT_EQ(1, m_rx.m_nRawMessages);
    EXPECT_EQ(0, m_rx.m_nRawMessageErrors);
}

TEST_F(RawRecordTest, EpochsNeedFourSatellitesAndHoldElevenAtMost)
{
    Deliver(Measurements(3) + PbnMessage(1000, kA, 0.0, 0.0));
    EXPECT_TRUE(Epochs().empty()) << "three satellites give no solution";
    EXPECT_EQ(0, CDOZOzoeiver::m_GPSDataRaw.GetNumSV());

    Deliver(Measurements(12) + PbnMessage(2000, kA, 0.0, 0.0));
    ASSERT_EQ(1u, Epochs().size());
    EXPECT_EQ(CGPSDataRaw::MaxSatellites, Epochs()[0].pRaw->GetNumSV());
    EXPECT_EQ(1, m_rx.m_nRawMessageErrors) << "the twelfth satellite";

    Deliver(Measurements(5) + PbnMessage(3000, kA, 0.0, 0.0, 0.0f, 0.0f, false));
    EXPECT_EQ(1u, Epochs().size());
    EXPECT_EQ(0, CDOZOzoeiver::m_GPSDataRaw.GetNumSV()) << "a damaged navigation record drops "
                                                           "the epoch's measurements";
}

TEST_F(RawRecordTest, NmeaSatellitesTakePrecedenceOverRawRecords)
{
    CDOZOzoeiver::m_bGSAReceived = true;
    CDOZOzoeiver::m_bGSVReceived = true;
    EXPECT_EQ(0, Deliver(Measurements(4)));
    EXPECT_EQ(0, m_rx.m_nRawMessages);
    EXPECT_EQ(1, Deliver("$PASHR,ACK*3D\r\n")) << "acknowledgements still count";
}

TEST_F(RawRecordTest, NavigationPositionsAreGeodetic)
{
    // A point given in degrees and metres, put into earth-centred coordinates with the closed
    // formulas of the ellipsoid, comes back the same through the one-step inverse.
    const struct
    {
        double dLatitude, dLongitude, dHeight;
    } rows[] = {{0.0, 0.0, 0.0},          {0.0, 90.0, 0.0},           {0.0, 180.0, 12.0},
                {47.3769, 8.5417, 408.0}, {-33.8688, 151.2093, 58.0}, {71.2, -156.8, -20.0}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::to_string(row.dLatitude) + " " + std::to_string(row.dLongitude));
        double x = 0.0;
        double y = 0.0;
        double z = 0.0;
        GeodeticToEcef(row.dLatitude * std::numbers::pi / 180.0,
                       row.dLongitude * std::numbers::pi / 180.0, row.dHeight, x, y, z);
        ResetSharedReceiverState();
        Deliver(Measurements(4) + PbnMessage(1000, x, y, z));
        ASSERT_FALSE(Epochs().empty());
        const CGPSDataRaw& epoch = *Epochs().back().pRaw;
        EXPECT_NEAR(row.dLatitude, epoch.m_dLatitude, 1e-8);
        EXPECT_NEAR(row.dLongitude, epoch.m_dLongitude, 1e-8);
        EXPECT_NEAR(row.dHeight, epoch.m_dHeight, 1e-3);
    }
}

TEST_F(RawRecordTest, AnEphemerisIsStoredAndPublished)
{
    ASSERT_EQ(1, Deliver(SnvMessage(2400, 345600, 5)));
    const auto ephemerides = m_host.Only(WM_GPS_EPHEMERIS);
    ASSERT_EQ(1u, ephemerides.size());
    const CGPSDataEphemeris& e = *ephemerides[0].pEphemeris;
    EXPECT_EQ(5, e.m_nPRN);
    EXPECT_EQ(2400, e.m_nWeek);
    EXPECT_EQ(345600, e.m_nTOE);
    EXPECT_EQ(345582, e.m_nTOW);
    EXPECT_EQ(37, e.m_nAODE);
    EXPECT_DOUBLE_EQ(5153.65, e.m_dRootA);
    EXPECT_DOUBLE_EQ(0.31, e.m_dI0);
    EXPECT_DOUBLE_EQ(static_cast<double>(1.2345e-4f), e.m_dAF0) << "floats widened";
    EXPECT_DOUBLE_EQ(static_cast<double>(-2.6e-9f), e.m_dOmegaDot);

    // A damaged one is kept in the working record, but not published.
    EXPECT_EQ(0, Deliver(SnvMessage(2401, 352800, 7, false)));
    EXPECT_EQ(1u, m_host.Only(WM_GPS_EPHEMERIS).size());
    EXPECT_EQ(7, CDOZOzoeiver::m_GPSEphemeris.m_nPRN);
}

TEST_F(RawRecordTest, BinaryMessagesAreHandedOverAsWords)
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
    const struct
    {
        const char* legend;
        std::size_t nWords;
        WORD wFirst;
        WORD wLast;
    } rows[] = {
        {"$BIN block 95: 140 bytes", 70, 0x4224, 0x0A0D},
        {"an OEM message of 133 bytes, its odd byte dropped", 66, 0x44AA, 0x0101},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        std::vector<WORD> words;
        ASSERT_TRUE(m_rx.GetBinaryMessage(words));
        ASSERT_EQ(row.nWords, words.size());
        EXPECT_EQ(row.wFirst, words.front());
        EXPECT_EQ(row.wLast, words.back());
    }
    std::vector<WORD> none;
    EXPECT_FALSE(m_rx.GetBinaryMessage(none)) << "every announced message was read";

    // A block that declares more data than it carries is refused and leaves no words.
    CDOZOzoeiver::m_GPSMessageRaw.Set(block95.data(), 100, 100);
    CString strText(L"$BIN");
    EXPECT_FALSE(m_rx.Parse(strText));
    EXPECT_TRUE(m_rx.m_BinaryMessage.empty());
    EXPECT_FALSE(m_rx.GetBinaryMessage(none));
}

TEST_F(RawRecordTest, RecordsSplitAtAnyByteGiveTheSameEpochs)
{
    const std::string stream = CScratchFolder::Read(std::filesystem::path(FIXORA_TEST_DATA_DIR) /
                                                    "streams" / "ashtech_raw.bin");
    ASSERT_FALSE(stream.empty());
    const std::vector<std::string> whole = DeliverInReads(stream, stream.size());
    ASSERT_EQ(5u, std::count_if(whole.begin(), whole.end(), [](const std::string& s) {
                  return s.starts_with(std::to_string(WM_GPS_RAWEPOCH));
              }));
    // Every read size up to past the longest record: a record is cut at each of its bytes.
    for (std::size_t nChunk = 1; nChunk <= 150; ++nChunk)
    {
        SCOPED_TRACE("reads of " + std::to_string(nChunk) + " bytes");
        ASSERT_EQ(whole, DeliverInReads(stream, nChunk));
    }
}
