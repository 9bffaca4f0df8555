// The SiRF family's commands on a pseudo-terminal: the exact NMEA input lines and binary frames of
// each operation with the pauses after them (counted through the sleep hook), for each of the
// three models; how a frame wraps its payload; the NMEA checksum; and a port that is closed or
// cannot open.
#include "Fixora_Vorn.h"

#include "support/PauseRecorder.h"
#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace
{

constexpr int kPort = 12;
// The operations write before they return, so what they wrote is already waiting.
constexpr std::chrono::milliseconds kQuiet(20);

// The protected steps of the family, open to the tests.
template <class TModel> class CSirfProbe : public TModel
{
public:
    using TModel::CheckSum;
    using TModel::SendBinaryMsg;
    using TModel::SendDgpsSourceMsg;
};

// Bytes from hexadecimal pairs separated by spaces.
std::string Hex(const char* pszPairs)
{
    std::istringstream in(pszPairs);
    std::string bytes;
    for (unsigned nByte = 0; in >> std::hex >> nByte;)
    {
        bytes += static_cast<char>(nByte);
    }
    return bytes;
}

// Back to NMEA at a rate whose low 16 bits and frame checksum are given.
std::string ToNmea(const char* pszRateAndChecksum)
{
    return Hex("A0 A2 00 18 81 02") + std::string(20, '\0') + Hex(pszRateAndChecksum) +
           Hex("B0 B3");
}

const std::string kDefaultSentences = "$PSRF103,00,00,02,01*26\r\n$PSRF103,02,00,02,01*24\r\n"
                                      "$PSRF103,05,00,02,01*23\r\n$PSRF103,03,00,02,01*25\r\n"
                                      "$PSRF103,04,00,00,01*20\r\n$PSRF103,01,00,00,01*25\r\n";
const std::string kNoSource = Hex("A0 A2 00 07 85 00 00 00 00 00 00 00 85 B0 B3");
const std::string kSbasSource = Hex("A0 A2 00 07 85 01 00 00 00 00 00 00 86 B0 B3");

template <class TModel> class SirfCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        ASSERT_TRUE(m_pty.IsValid());
    }
    void TearDown() override { CDOZOzoeiver::m_Port.Close(); }

    // Opens the shared port at the given rate, as Initialize would, and forgets the port's own
    // settle pause.
    void OpenAt(CDOZOzoeiver& model, int nBaudRate)
    {
        model.SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        model.SetProperties(nBaudRate);
        ASSERT_TRUE(model.OpenPort());
        m_pauses.Clear();
    }

    CPseudoTerminal m_pty{kPort};
    CPauseRecorder m_pauses;
};

using SirfModels = ::testing::Types<CSirf, CToughbookGPS01, CHolux>;
TYPED_TEST_SUITE(SirfCommandTest, SirfModels);

} // namespace

TYPED_TEST(SirfCommandTest, EachOperationWritesItsLinesFramesAndPauses)
{
    struct SRow
    {
        const char* legend;
        int nBaudRate;
        void (*pfnCall)(CSirfProbe<TypeParam>& model);
        std::string bytes;
        std::vector<DWORD> pauses;
    } const rows[] = {
        {"default sentences: four every 2 s, RMC and GLL off", 4800,
         [](auto& m) { m.SetDefaultNMEA(); }, kDefaultSentences, std::vector<DWORD>(6, 400)},
        {"GGA only", 4800, [](auto& m) { m.SetGgaOnlyNMEA(); },
         "$PSRF103,00,00,02,01*26\r\n$PSRF103,02,00,00,01*26\r\n$PSRF103,05,00,00,01*21\r\n"
         "$PSRF103,03,00,00,01*27\r\n$PSRF103,04,00,00,01*20\r\n$PSRF103,01,00,00,01*25\r\n",
         std::vector<DWORD>(6, 400)},
        {"SBAS: into binary, the source, back to NMEA, the sentences again",
         4800,
         [](auto& m) { m.SetDgpsMode(DGPS_WAAS); },
         "$PSRF100,0,4800,8,1,0*0F\r\n" + kSbasSource + ToNmea("12 C0 01 55") + kDefaultSentences,
         {3000, 3000, 3000, 400, 400, 400, 400, 400, 400}},
        {"beacon is no source; both switches keep the port's rate",
         9600,
         [](auto& m) { m.SetDgpsMode(DGPS_BEACON); },
         "$PSRF100,0,9600,8,1,0*0C\r\n" + kNoSource + ToNmea("25 80 01 28") + kDefaultSentences,
         {3000, 3000, 3000, 400, 400, 400, 400, 400, 400}},
        {"every mode but SBAS, known or not, is no source", 4800,
         [](auto& m) {
             for (int nMode : std::initializer_list<int>{DGPS_OFF, DGPS_LBAND, DGPS_CDGPS,
                                                         DGPS_OMNISTAR_VBS, 9, -1})
             {
                 m.SendDgpsSourceMsg(static_cast<DgpsMode>(nMode));
             }
         },
         kNoSource + kNoSource + kNoSource + kNoSource + kNoSource + kNoSource,
         std::vector<DWORD>(6, 3000)},
        {"reset: back to NMEA with the rate's low 16 bits, then the sentences",
         115200,
         [](auto& m) { EXPECT_TRUE(m.ResetAll(true)); },
         ToNmea("C2 00 01 45") + kDefaultSentences,
         {3000, 400, 400, 400, 400, 400, 400}},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CSirfProbe<TypeParam> model;
        this->OpenAt(model, row.nBaudRate);
        row.pfnCall(model);
        EXPECT_EQ(row.bytes, this->m_pty.Receive(row.bytes.size(), kQuiet));
        EXPECT_EQ(row.pauses, this->m_pauses.Pauses());
        CDOZOzoeiver::m_Port.Close();
    }
}

TYPED_TEST(SirfCommandTest, AFrameWrapsItsPayloadUnchanged)
{
    struct SRow
    {
        const char* legend;
        std::vector<unsigned char> payload;
        std::string frame;
    } const rows[] = {
        {"no payload", {}, Hex("A0 A2 00 00 00 00 B0 B3")},
        {"framing bytes inside the payload are not escaped",
         {0xA0, 0xA2, 0xB0, 0xB3},
         Hex("A0 A2 00 04 A0 A2 B0 B3 02 A5 B0 B3")},
        {"bytes summed unsigned, kept to 15 bits", std::vector<unsigned char>(200, 0xFF),
         Hex("A0 A2 00 C8") + std::string(200, '\xFF') + Hex("47 38 B0 B3")},
        {"the largest payload", std::vector<unsigned char>(16384, 0x01),
         Hex("A0 A2 40 00") + std::string(16384, '\x01') + Hex("40 00 B0 B3")},
    };
    CSirfProbe<TypeParam> model;
    this->OpenAt(model, 4800);
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        std::vector<unsigned char> payload = row.payload;
        // The largest frame is more than the terminal holds: it goes out only while it is read.
        auto sent = std::async(std::launch::async, [&model, &payload] {
            return model.SendBinaryMsg(payload.data(), static_cast<unsigned short>(payload.size()));
        });
        EXPECT_EQ(row.frame, this->m_pty.Receive(row.frame.size(), kQuiet));
        EXPECT_TRUE(sent.get());
    }
    // Beyond the frame buffer, or without a payload, nothing goes out.
    std::vector<unsigned char> tooLong(16385, 0x01);
    EXPECT_FALSE(model.SendBinaryMsg(tooLong.data(), static_cast<unsigned short>(tooLong.size())));
    EXPECT_FALSE(model.SendBinaryMsg(nullptr, 5));
    EXPECT_EQ(0, model.CheckSum(nullptr, 5));
    EXPECT_EQ("", this->m_pty.Receive(0, kQuiet));
    EXPECT_TRUE(this->m_pauses.Pauses().empty());
}

TYPED_TEST(SirfCommandTest, OnlyAPortThatOpensTakesCommands)
{
    CSirfProbe<TypeParam> model;
    model.SetupReceiver(kPort, 0, 0.0, CString(L""), false);
    model.SetProperties(4800);
    EXPECT_TRUE(model.ResetAll(false)) << "the reset opens the port itself";
    const std::string reset = ToNmea("12 C0 01 55") + kDefaultSentences;
    EXPECT_EQ(reset, this->m_pty.Receive(reset.size(), kQuiet));
    CDOZOzoeiver::m_Port.Close();

    CComPortMapping nowhere(kPort, "/nonexistent/fixora-test-device");
    this->m_pauses.Clear();
    model.SetDefaultNMEA();
    model.SetGgaOnlyNMEA();
    model.SetDgpsMode(DGPS_WAAS);
    EXPECT_FALSE(model.ResetAll(true));
    EXPECT_TRUE(this->m_pauses.Pauses().empty());
    // A single step does not ask: its write fails and it waits all the same.
    model.SendDgpsSourceMsg(DGPS_WAAS);
    EXPECT_EQ(std::vector<DWORD>{3000}, this->m_pauses.Pauses());
    EXPECT_EQ("", this->m_pty.Receive(0, kQuiet));
}

TEST(SirfNmeaChecksumTest, CoversWhatFollowsTheFirstDollar)
{
    struct SRow
    {
        const char* legend;
        const wchar_t* pszLine;
        const wchar_t* pszExpected;
        bool bAppended;
    } const rows[] = {
        {"rate sentence", L"$PSRF103,00,00,02,01", L"$PSRF103,00,00,02,01*26", true},
        {"text before the dollar is left out, a later dollar is not", L"xx$A$B", L"xx$A$B*27",
         true},
        {"a wide character counts by its low 8 bits", L"$\u0141", L"$\u0141*41", true},
        {"nothing after the dollar", L"$", L"$*00", true},
        {"no dollar: unchanged", L"PSRF103,00", L"PSRF103,00", false},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CString strLine(row.pszLine);
        EXPECT_EQ(row.bAppended, AppendNmeaChecksum(strLine));
        EXPECT_EQ(std::wstring(row.pszExpected), strLine.Str());
    }
}
