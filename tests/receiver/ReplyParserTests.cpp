// Receiver replies to configuration queries, for what the golden reply streams
// (tests/data/streams/*_replies.nmea) cannot show: a reply must change exactly its fields of a
// record that already holds other values, boundary values, replies cut short, and the Ashtech
// satellite status reply against satellites already in their slots.
#include "receiver/replies/NumberText.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace
{

// Every value differs from its default and every flag is flipped, so that a value a reply must
// leave alone shows a change whichever way it goes wrong.
inline void Fill(CGPSStatusData& s)
{
    s.m_bNewStatus = s.m_bBeaconSignal = s.m_bBeaconTuning = s.m_bElevMask = true;
    s.m_bNmeaStatus = s.m_bPositionMode = s.m_bAckReceived = s.m_bDgpsMode = s.m_bInfoText = true;
    s.m_bPemReply = false;
    s.m_bBeaconAutoFrequency = s.m_bSettingsSaved = true;
    s.m_nBeaconSignalStrength = s.m_nBeaconSNR = s.m_nBeaconBitRate = -3;
    s.m_dBeaconFrequency = s.m_dFixedAltitude = -3.0;
    s.m_nPositionMode = s.m_nPdopMask = s.m_nHdopMask = s.m_nVdopMask = -3;
    s.m_nElevMask = 99;
    std::fill(std::begin(s.m_NmeaStatus), std::end(s.m_NmeaStatus), NMEA_MSG_ON);
    s.m_dRecordingInterval = 99.0;
    s.m_DgpsMode = DGPS_CDGPS;
    s.m_nLbandMode = 2;
    std::strcpy(s.m_szInfoText, "OLD");
}

// Every field, the arrays as values, so that one comparison shows the whole record.
inline auto Fields(const CGPSStatusData& s)
{
    return std::make_tuple(
        s.m_bNewStatus, s.m_bBeaconSignal, s.m_nBeaconSignalStrength, s.m_nBeaconSNR,
        s.m_dBeaconFrequency, s.m_nBeaconBitRate, s.m_bBeaconTuning, s.m_bBeaconAutoFrequency,
        s.m_bPemReply, s.m_bElevMask, s.m_nElevMask, s.m_bSettingsSaved, s.m_bNmeaStatus,
        std::vector<int>(std::begin(s.m_NmeaStatus), std::end(s.m_NmeaStatus)), s.m_bPositionMode,
        s.m_dFixedAltitude, s.m_nPositionMode, s.m_nPdopMask, s.m_nHdopMask, s.m_nVdopMask,
        s.m_dRecordingInterval, s.m_bAckReceived, s.m_bDgpsMode, s.m_DgpsMode, s.m_nLbandMode,
        s.m_bInfoText, std::string(s.m_szInfoText));
}

using R = CProbeReceiver;
constexpr int On = NMEA_MSG_ON;
constexpr int Off = NMEA_MSG_OFF;
constexpr int Unknown = NMEA_MSG_UNKNOWN;
constexpr int Keep = -1; // the entry as it was

void Unchanged(CGPSStatusData&) {}

// The seven entries in order, and whether the reply reports them.
template <bool bReported, int... nEntries> void Nmea(CGPSStatusData& s)
{
    int i = 0;
    for (const int nEntry : {nEntries...})
    {
        if (nEntry != Keep)
        {
            s.m_NmeaStatus[i] = static_cast<NmeaMsgStatus>(nEntry);
        }
        ++i;
    }
    s.m_bNmeaStatus = s.m_bNmeaStatus || bReported;
    s.m_bNewStatus = s.m_bNewStatus || bReported;
}

// Each row from a fresh record and from a filled one: the reply must make exactly its changes.
TEST(ReplyParser, RepliesChangeExactlyTheirFields)
{
    const struct
    {
        const char* legend;
        bool (R::*parse)(CString&);
        const char* line; // as the framer hands it over, line end included
        bool bResult;
        void (*expect)(CGPSStatusData&); // the changes to the record the reply started from
    } rows[] = {
        // The golden stream names GGA and GSV; every second entry here, so that entries swapped
        // with a neighbour show.
        {"log list naming GSA, GLL and SAT", &R::ProcessLOGLIST,
         "#LOGLISTA,COM1,0;3,COM1,GPGSA,ONCHANGED,COM1,GPGLL,ONTIME,COM1,GPSAT,ONTIME*5e0a1b2c\r\n",
         true, Nmea<true, Off, On, Off, On, Off, On, Off>},
        {"cutoff beyond any int", &R::ProcessECUTOFF, "#ECUTOFFA,COM1,0;1e300*8b2a90c1\r\n", false,
         Unchanged},
        {"position with four of the five fields kept keeps none", &R::ProcessOMNIHPPOS,
         "#OMNIHPPOSA,COM1,0;SOL_COMPUTED,OMNISTAR_HP,51.1,-114.0*6ad1e78b\r\n", true,
         [](CGPSStatusData& s) {
             std::strcpy(s.m_szInfoText, "$OMNIP,");
             s.m_bInfoText = s.m_bNewStatus = true;
         }},
        {"RTK source compared as a whole field", &R::ProcessRTKSOURCE,
         "#RTKSOURCEA,COM1,0;AUTOMATIC,ANY*8d1a2e3f\r\n", true, Unchanged},
        // The golden stream's such line follows one that set the mode off already.
        {"beacon tuning mode neither A nor M keeps the mode", &R::ProcessCRMSK,
         "$GPMSK,318.0,m,100,A,0*67\r\n", true,
         [](CGPSStatusData& s) { s.m_bBeaconTuning = s.m_bNewStatus = true; }},
        {"elevation mask not saved", &R::ProcessPARPEM, "PEM:05 DOI:060 SAV:N\r\n", true,
         [](CGPSStatusData& s) {
             s.m_nElevMask = 5;
             s.m_bSettingsSaved = false;
             s.m_bElevMask = s.m_bPemReply = s.m_bNewStatus = true;
         }},
        // Once the pairs of blanks are halved, GLL, GGA, VTG, GSA, SAT and ZDA are words 5, 7, 8,
        // 11, 12 and 16 (word 3 is empty); GSV is not on the line.
        {"output switches in columns", &R::ProcessPARPRTA,
         "PRTA:  OFF    OFF  ON  OFF  ON  OFF  ON  OFF  ON  OFF  ON  ON  OFF  ON  001.00\r\n", true,
         Nmea<true, On, On, On, On, Off, Off, Keep>},
        {"output switches cut short after GGA", &R::ProcessPARPRTA,
         "PRTA:  OFF  OFF  OFF  ON  OFF  ON\r\n", false, // VTG beyond the end
         Nmea<false, On, Keep, Keep, On, Unknown, Keep, Keep>},
        {"PASHR of an unknown kind", &R::ProcessPASHR, "$PASHR,XYZ,1,2,3*33\r\n", false, Unchanged},
        // A positive period is on; ZDA is missing and the SAT entry is not in this reply.
        {"Starlink periods negative and below a second", &R::ProcessPSLIRParNmea,
         "$PSLIR,PAR,NMEA,GGA:1,GSA:0,GLL:-1,VTG:0.5,GSV:5*51\r\n", true,
         Nmea<true, On, Off, Unknown, Off, On, Keep, On>},
        {"ASC of a sentence outside the six withdraws the NMEA status", &R::ProcessJSHOW,
         "$>JSHOW,ASC,GPRMC,1.0,PORTA\r\n", false,
         [](CGPSStatusData& s) { s.m_bNmeaStatus = false; }},
        {"FREQ that is no number", &R::ProcessJSHOW, "$>JSHOW,FREQ,AUTO\r\n", false, Unchanged},
        // The host program's end-to-end test sees BEACON.
        {"L-band source", &R::ProcessJSHOW, "$>JSHOW,DIFF,LBAND\r\n", true,
         [](CGPSStatusData& s) {
             s.m_DgpsMode = DGPS_LBAND;
             s.m_bDgpsMode = s.m_bNewStatus = true;
         }},
    };
    CGPSStatusData& status = CDOZOzoeiver::m_GPSData.m_Status;
    for (const auto& row : rows)
    {
        for (const bool bFilled : {false, true})
        {
            SCOPED_TRACE(std::string(row.legend) +
                         (bFilled ? ", filled record" : ", fresh record"));
            ResetSharedReceiverState();
            R receiver;
            if (bFilled)
            {
                Fill(status);
            }
            CGPSStatusData expected = status;
            row.expect(expected);
            CString strLine(row.line);
            EXPECT_EQ(row.bResult, (receiver.*row.parse)(strLine));
            EXPECT_EQ(Fields(expected), Fields(status));
        }
    }
}

CGPSSatelliteData Satellite(int nPRN, bool bUsed, int nSNR)
{
    CGPSSatelliteData sat;
    sat.m_nPRN = nPRN;
    sat.m_bUsed = bUsed;
    sat.m_bVisible = true;
    sat.m_nSNR = nSNR;
    return sat;
}

// The golden stream lists satellites into an empty table only.
TEST(ReplyParser, SatelliteStatusListsTheVisibleSatellitesIntoTheirSlots)
{
    const struct
    {
        const char* legend;
        const char* line;
        bool bResult;
        int nInView;
        const char* slots; // slots 0-4: PRN, "v" visible, "u" used
        double dMeanSNR;   // over every slot marked used; -1 where the sentence leaves it
    } rows[] = {
        {"one in its own slot, two newcomers, the unlisted used one still counted",
         "$PASHR,SAT,3,12,200,30,44,u,20,300,10,30,-,05,090,45,40,U*34\r\n", true, 3,
         "7u 12vu 20v 5vu 0", (50 + 44 + 40) / 3.0},
        {"the use flag is the sentence's, not the slot's", "$PASHR,SAT,1,07,270,15,38,-*17\r\n",
         true, 1, "7v 12 0 0 0", 0.0},
        {"none listed, kind in lower case", "$PASHR,sat,0*0E\r\n", true, 0, "7u 12 0 0 0", 50.0},
        {"second satellite's SNR unreadable", "$PASHR,SAT,2,20,300,10,30,U,21,310,11,,U*2E\r\n",
         false, 2, "7u 12 20vu 0 0", -1.0},
        {"more announced than listed", "$PASHR,SAT,99,20,300,10,30,U*54\r\n", false, 99,
         "7u 12 20vu 0 0", -1.0},
    };
    CGPSData& data = CDOZOzoeiver::m_GPSData;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        R receiver;
        data.m_Satellites[0] = Satellite(7, true, 50);
        data.m_Satellites[1] = Satellite(12, false, 20);
        data.m_dMeanSNR = -1.0;

        CString strLine(row.line);
        EXPECT_EQ(row.bResult, receiver.ProcessPASHR(strLine));
        std::string strSlots;
        for (int i = 0; i < 5; ++i)
        {
            const CGPSSatelliteData& sat = data.m_Satellites[i];
            strSlots += (i ? " " : "") + std::to_string(sat.m_nPRN) + (sat.m_bVisible ? "v" : "") +
                        (sat.m_bUsed ? "u" : "");
        }
        EXPECT_EQ(row.slots, strSlots);
        EXPECT_EQ(row.nInView, data.m_nSatellitesInView);
        EXPECT_DOUBLE_EQ(row.dMeanSNR, data.m_dMeanSNR);
        EXPECT_EQ(row.bResult, data.m_bSatellitesInView);
        EXPECT_EQ(row.nInView > 0, data.m_bSatellites); // every row lists a storable satellite
        EXPECT_FALSE(data.m_Status.m_bNewStatus);
    }
}

} // namespace

// The replies' number readers: what the C library would read, refusing saturation and text
// without a number, and the caller's value written only where the reader says so.
TEST(StrToInt, ReadsLeadingDecimalIntegerAndRefusesSaturationAndNoDigits)
{
    // Text, read, value (on success).
    // clang-format off
    const std::tuple<std::wstring, bool, int> rows[] = {
        {L"42", true, 42}, {L" \t-17", true, -17}, {L"+8", true, 8}, {L"\r\n\v\f 5", true, 5},
        {L"12abc", true, 12}, {L"1 2", true, 1}, {L"7.9", true, 7}, {L"-0", true, 0},
        {L"0x10", true, 0}, {L"2147483646", true, 2147483646}, {L"-2147483647", true, -2147483647},
        {L"000000000000000000031", true, 31}, {std::wstring(L"12\0" L"34", 5), true, 12},
        {L"abc", false, 0}, {L"", false, 0}, {L"   ", false, 0}, {L"-", false, 0},
        {L"+-3", false, 0}, {L"- 3", false, 0}, {L"2147483647", false, 0},
        {L"-2147483648", false, 0}, {L"99999999999999999999999", false, 0},
        {L"-99999999999999999999999", false, 0}, {L"\x0663", false, 0}};
    // clang-format on
    for (const auto& [text, bOk, nExpected] : rows)
    {
        SCOPED_TRACE(CString(text).ToNarrow());
        int nValue = -555;
        EXPECT_EQ(bOk, StrToInt(CString(text), nValue));
        EXPECT_EQ(bOk ? nExpected : -555, nValue) << "written only on success";
    }
}

TEST(StrToDouble, ReadsLikeTheCLibraryAndReportsWhatIsLeft)
{
    const double kHuge = HUGE_VAL;
    // Text, read, value (written in every case), characters left unread (on success).
    // clang-format off
    const std::tuple<std::wstring, bool, double, int> rows[] = {
        {L"  -12.5X", true, -12.5, 1}, {L"318.0", true, 318.0, 0}, {L".5", true, 0.5, 0},
        {L"5.", true, 5.0, 0}, {L"1.5e3", true, 1500.0, 0}, {L"1E+2x", true, 100.0, 1},
        {L"1e", true, 1.0, 1}, {L"1,5", true, 1.0, 2}, {L"3.25 m", true, 3.25, 2},
        {L"0x1.8p3", true, 12.0, 0}, {L"0xg", true, 0.0, 2}, {L"-0.0", true, 0.0, 0},
        {L"1e-400", true, 0.0, 0}, {std::wstring(L"2.5\0" L"9", 5), true, 2.5, 0},
        {L"abc", false, 0.0, 0}, {L"", false, 0.0, 0}, {L"+", false, 0.0, 0},
        {L".", false, 0.0, 0}, {L"-+1", false, 0.0, 0}, {L"1e400", false, kHuge, 0},
        {L"-1e999", false, -kHuge, 0}, {L"inf", false, kHuge, 0},
        {L"0." + std::wstring(400, L'0') + L"1e401", true, 1.0, 0}};
    // clang-format on
    for (const auto& [text, bOk, dExpected, nUnread] : rows)
    {
        SCOPED_TRACE(CString(text).ToNarrow().substr(0, 20));
        double dValue = -555.0;
        int nLeft = -1;
        EXPECT_EQ(bOk, StrToDouble(CString(text), dValue, nLeft));
        EXPECT_DOUBLE_EQ(dExpected, dValue);
        EXPECT_EQ(bOk ? nUnread : -1, nLeft) << "an answer of success only";
    }
    double dValue = 0.0;
    int nLeft = -1;
    EXPECT_TRUE(StrToDouble(L"nan(1)x", dValue, nLeft)) << "a number to the C library";
    EXPECT_TRUE(std::isnan(dValue));
    EXPECT_EQ(1, nLeft);
}
