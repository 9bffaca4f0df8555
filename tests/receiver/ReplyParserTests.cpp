// Receiver replies to configuration queries: OEM board logs, the Ashtech family's beacon sentences
// and parameter lines, the other vendors' replies, and the Ashtech satellite status sentence.
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using FParse = bool (CDOZOzoeiver::*)(CString&);
// The changes a reply makes to the status record it started from.
using FExpect = void (*)(CGPSStatusData&);

struct SReplyRow
{
    const char* legend;
    FParse parse;
    const char* line; // as the framer hands it over, line end included
    bool bResult;
    FExpect expect;
};

void Unchanged(CGPSStatusData&) {}

// Every value differs from its default and every flag is flipped, so that a value a reply must
// leave alone shows a change whichever way it goes wrong.
void Fill(CGPSStatusData& s)
{
    s.m_bNewStatus = s.m_bBeaconSignal = s.m_bBeaconTuning = s.m_bElevMask = true;
    s.m_bNmeaStatus = s.m_bPositionMode = s.m_bAckReceived = s.m_bDgpsMode = s.m_bInfoText = true;
    s.m_bPemReply = false;
    s.m_bBeaconAutoFrequency = s.m_bSettingsSaved = true;
    s.m_nBeaconSignalStrength = s.m_nBeaconSNR = s.m_nBeaconBitRate = -3;
    s.m_dBeaconFrequency = s.m_dFixedAltitude = -3.0;
    s.m_nPositionMode = s.m_nPdopMask = s.m_nHdopMask = s.m_nVdopMask = -3;
    s.m_nElevMask = 99;
    for (NmeaMsgStatus& e : s.m_NmeaStatus)
    {
        e = NMEA_MSG_ON;
    }
    s.m_dRecordingInterval = 99.0;
    s.m_DgpsMode = DGPS_CDGPS;
    s.m_nLbandMode = 2;
    std::strcpy(s.m_szInfoText, "OLD");
}

// Every field, the arrays as values, so that one comparison shows the whole record.
auto Fields(const CGPSStatusData& s)
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

// Each row from a fresh record and from a filled one: the reply must make exactly its changes.
template <std::size_t N> void RunRows(const SReplyRow (&rows)[N])
{
    CGPSStatusData& status = CDOZOzoeiver::m_GPSData.m_Status;
    for (const SReplyRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        for (const bool bFilled : {false, true})
        {
            SCOPED_TRACE(bFilled ? "filled record" : "fresh record");
            ResetSharedReceiverState();
            CProbeReceiver receiver;
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

// ---- what a reply changes: its values, its validity flag and the new-status flag ------------

void Nmea(CGPSStatusData& s, const NmeaMsgStatus (&entries)[7])
{
    std::copy(std::begin(entries), std::end(entries), s.m_NmeaStatus);
    s.m_bNmeaStatus = s.m_bNewStatus = true;
}

constexpr NmeaMsgStatus On = NMEA_MSG_ON;
constexpr NmeaMsgStatus Off = NMEA_MSG_OFF;
constexpr NmeaMsgStatus Unknown = NMEA_MSG_UNKNOWN;

// 120 characters of which 79 are kept.
constexpr const char* kLongInfo =
    "$>JI,311034,1,3,09061998,01/01/1900,01/01/3000,6.1Pa,46,"
    "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCD\r\n";

void Info(CGPSStatusData& s, const std::string& strText)
{
    std::strcpy(s.m_szInfoText, strText.c_str());
    s.m_bInfoText = s.m_bNewStatus = true;
}

template <DgpsMode eMode> void Dgps(CGPSStatusData& s)
{
    s.m_DgpsMode = eMode;
    s.m_bDgpsMode = s.m_bNewStatus = true;
}

template <int nMask> void Mask(CGPSStatusData& s)
{
    s.m_nElevMask = nMask;
    s.m_bElevMask = s.m_bNewStatus = true;
}

void Beacon(CGPSStatusData& s)
{
    s.m_nBeaconSignalStrength = 55;
    s.m_nBeaconSNR = 27;
    s.m_dBeaconFrequency = 318.0;
    s.m_nBeaconBitRate = 100;
    s.m_bBeaconSignal = s.m_bNewStatus = true;
}

// PMD:2 ALT:+00100.50 PDP:40 HDP:04 VDP:06; bComplete false stops before the VDOP mask.
template <bool bComplete> void PositionMode(CGPSStatusData& s)
{
    s.m_nPositionMode = 2;
    s.m_dFixedAltitude = 100.5;
    s.m_nPdopMask = 40;
    s.m_nHdopMask = 4;
    if (bComplete)
    {
        s.m_nVdopMask = 6;
        s.m_bPositionMode = s.m_bNewStatus = true;
    }
}

template <int nMask, bool bSaved> void Pem(CGPSStatusData& s)
{
    Mask<nMask>(s);
    s.m_bSettingsSaved = bSaved;
    s.m_bPemReply = true;
}

template <bool bAuto> void Tuning(CGPSStatusData& s)
{
    s.m_bBeaconAutoFrequency = bAuto;
    s.m_bBeaconTuning = s.m_bNewStatus = true;
}

template <int nMode> void Lband(CGPSStatusData& s)
{
    s.m_nLbandMode = nMode;
    s.m_bNewStatus = true;
}

using R = CProbeReceiver;

TEST(ReplyParserOemLogs, StoreWhatTheirBodyNames)
{
    const SReplyRow rows[] = {
        {"log list naming GGA and GSV only", &R::ProcessLOGLIST,
         "#LOGLISTA,COM1,0,55.0,FINESTEERING,1337,400000.000,00000000,c00c,1984;2,COM1,GPGGA,"
         "ONTIME,1.000000,0.000000,HOLD,COM1,GPGSV,ONTIME,5.000000,0.000000,HOLD*7b1d0c0e\r\n",
         true,
         [](CGPSStatusData& s) {
             Nmea(s, {On, Off, Off, Off, Off, Off, On});
         }},
        {"log list naming the five others", &R::ProcessLOGLIST,
         "#LOGLISTA,COM1,0;5,COM1,GPGSA,ONCHANGED,COM1,GPZDA,ONTIME,COM1,GPGLL,ONTIME,COM1,GPVTG,"
         "ONTIME,COM1,GPSAT,ONTIME*5e0a1b2c\r\n",
         true,
         [](CGPSStatusData& s) {
             Nmea(s, {Off, On, On, On, On, On, Off});
         }},
        {"receiver configuration stores nothing", &R::ProcessRXCONFIG,
         "#RXCONFIGA,COM1,0;#ECUTOFFA,COM1,0;7.5*8b2a90c1*1f2e3d4c\r\n", true, Unchanged},
        {"cutoff 7.5 keeps 7", &R::ProcessECUTOFF,
         "#ECUTOFFA,COM1,0,77.5,FINESTEERING,1337,400000.000,00000000,bc4f,1984;7.5*8b2a90c1\r\n",
         true, Mask<7>},
        {"cutoff that is no number", &R::ProcessECUTOFF, "#ECUTOFFA,COM1,0;HIGH*8b2a90c1\r\n",
         false, Unchanged},
        {"cutoff without checksum", &R::ProcessECUTOFF, "#ECUTOFFA,COM1,0;7.5\r\n", false,
         Unchanged},
        {"cutoff beyond any int", &R::ProcessECUTOFF, "#ECUTOFFA,COM1,0;1e300*8b2a90c1\r\n", false,
         Unchanged},
        {"info keeps the star, not the checksum", &R::ProcessOMNIINFO,
         "#OMNIINFOA,COM1,0;A,B,C*d3c1a2b4\r\n", true,
         [](CGPSStatusData& s) { Info(s, "$OMNII,A,B,C*"); }},
        {"status", &R::ProcessOMNISTAT, "#OMNISTATA,COM1,0;LOCKED,1557845000*00ff00ff\r\n", true,
         [](CGPSStatusData& s) { Info(s, "$OMNIS,LOCKED,1557845000*"); }},
        {"SBAS", &R::ProcessWAAS1, "#WAAS1A,COM1,0;122,1,0*12345678\r\n", true,
         [](CGPSStatusData& s) { Info(s, "$WAAS1,122,1,0*"); }},
        {"position keeps five of ten fields", &R::ProcessOMNIHPPOS,
         "#OMNIHPPOSA,COM1,0;SOL_COMPUTED,OMNISTAR_HP,51.11636,-114.03824,1048.2,-16.9,WGS84,"
         "0.05,0.07,0.12*6ad1e78b\r\n",
         true,
         [](CGPSStatusData& s) {
             Info(s, "$OMNIP,SOL_COMPUTED,OMNISTAR_HP,51.11636,"
                     "-114.03824,1048.2,");
         }},
        {"position with four fields keeps none", &R::ProcessOMNIHPPOS,
         "#OMNIHPPOSA,COM1,0;SOL_COMPUTED,OMNISTAR_HP,51.1,-114.0*6ad1e78b\r\n", true,
         [](CGPSStatusData& s) { Info(s, "$OMNIP,"); }},
        {"RTK source AUTO", &R::ProcessRTKSOURCE, "#RTKSOURCEA,COM1,0;AUTO,ANY*8d1a2e3f\r\n", true,
         Dgps<DGPS_BEACON>},
        {"RTK source OMNISTAR", &R::ProcessRTKSOURCE,
         "#RTKSOURCEA,COM1,0;OMNISTAR,ANY*8d1a2e3f\r\n", true, Dgps<DGPS_LBAND>},
        {"RTK source named otherwise", &R::ProcessRTKSOURCE,
         "#RTKSOURCEA,COM1,0;AUTOMATIC,ANY*8d1a2e3f\r\n", true, Unchanged},
        {"SBAS enabled on AUTO", &R::ProcessSBASCONTROL,
         "#SBASCONTROLA,COM1,0;ENABLE,AUTO,0,NONE*4f1e2d3c\r\n", true, Dgps<DGPS_WAAS>},
        {"SBAS enabled on another system", &R::ProcessSBASCONTROL,
         "#SBASCONTROLA,COM1,0;ENABLE,WAAS,0,NONE*4f1e2d3c\r\n", true, Unchanged},
        {"pseudorange source OMNISTAR", &R::ProcessPSRDIFFSOURCE,
         "#PSRDIFFSOURCEA,COM1,0;OMNISTAR,ANY*2a3b4c5d\r\n", true, Dgps<DGPS_OMNISTAR_VBS>},
        {"pseudorange source CDGPS", &R::ProcessPSRDIFFSOURCE,
         "#PSRDIFFSOURCEA,COM1,0;CDGPS,ANY*2a3b4c5d\r\n", true, Dgps<DGPS_CDGPS>},
    };
    RunRows(rows);
}

// Output switches lined up in columns: once the pairs of blanks are halved, GLL, GGA, VTG, GSA,
// SAT and ZDA are words 5, 7, 8, 11, 12 and 16 (word 3 is empty).
TEST(ReplyParserAshtech, StoreTheirFieldsAndRejectWhatDoesNotRead)
{
    const SReplyRow rows[] = {
        {"beacon signal", &R::ProcessCRMSS, "$GPMSS,55,27,318.0,100*4A\r\n", true, Beacon},
        {"beacon signal with unreadable SNR keeps the strength", &R::ProcessCRMSS,
         "$CRMSS,55,X,318.0,100*11\r\n", false,
         [](CGPSStatusData& s) { s.m_nBeaconSignalStrength = 55; }},
        {"beacon tuning A", &R::ProcessCRMSK, "$CRMSK,318.0,A,100,A,0*4D\r\n", true, Tuning<true>},
        {"beacon tuning M", &R::ProcessCRMSK, "$GPMSK,318.0,M,100,A,0*47\r\n", true, Tuning<false>},
        {"beacon tuning m is neither", &R::ProcessCRMSK, "$GPMSK,318.0,m,100,A,0*67\r\n", true,
         [](CGPSStatusData& s) { s.m_bBeaconTuning = s.m_bNewStatus = true; }},
        {"position mode", &R::ProcessPARPMD, "PMD:2 FIX:0 ALT:+00100.50 PDP:40 HDP:04 VDP:06\r\n",
         true, PositionMode<true>},
        {"position mode without VDP", &R::ProcessPARPMD, "PMD:2 FIX:0 ALT:+100.5 PDP:40 HDP:4\r\n",
         false, PositionMode<false>},
        {"recording interval", &R::ProcessPARPER, "PER:020.00 POW:35\r\n", true,
         [](CGPSStatusData& s) {
             s.m_dRecordingInterval = 20.0;
             s.m_bNewStatus = true;
         }},
        {"recording interval that is no number", &R::ProcessPARPER, "PER:---\r\n", false,
         [](CGPSStatusData& s) { s.m_dRecordingInterval = 0.0; }},
        {"elevation mask saved", &R::ProcessPARPEM, "PEM:10 DOI:060 SAV:Y\r\n", true,
         Pem<10, true>},
        {"elevation mask not saved", &R::ProcessPARPEM, "PEM:05 DOI:060 SAV:N\r\n", true,
         Pem<5, false>},
        {"elevation mask without save flag", &R::ProcessPARPEM, "PEM:10 DOI:060\r\n", false,
         [](CGPSStatusData& s) { s.m_nElevMask = 10; }},
        {"elevation mask that is no number", &R::ProcessPARPEM, "PEM:XX SAV:Y\r\n", false,
         Unchanged},
        {"output switches", &R::ProcessPARPRTA,
         "PRTA:  OFF    OFF  ON  OFF  ON  OFF  ON  OFF  ON  OFF  ON  ON  OFF  ON  001.00\r\n", true,
         [](CGPSStatusData& s) {
             Nmea(s, {On, On, On, On, Off, Off, s.m_NmeaStatus[6]});
         }},
        {"output switches with an unreadable GSA word", &R::ProcessPARPRTA,
         "PRTA:  OFF    OFF  ON  OFF  ON  OFF  ON  OFF  N/A  OFF  ON  ON  OFF  ON  001.00\r\n",
         false,
         [](CGPSStatusData& s) {
             s.m_NmeaStatus[0] = s.m_NmeaStatus[3] = On; // GGA, GLL
             s.m_NmeaStatus[4] = Off;                    // VTG
             s.m_NmeaStatus[1] = Unknown;                // GSA
         }},
        {"output switches cut short after GGA", &R::ProcessPARPRTA,
         "PRTA:  OFF  OFF  OFF  ON  OFF  ON\r\n", false,
         [](CGPSStatusData& s) {
             s.m_NmeaStatus[0] = s.m_NmeaStatus[3] = On; // GGA, GLL
             s.m_NmeaStatus[4] = Unknown;                // VTG
         }},
        {"PASHR of an unknown kind", &R::ProcessPASHR, "$PASHR,XYZ,1,2,3*33\r\n", false, Unchanged},
    };
    RunRows(rows);
}

TEST(ReplyParserOtherVendors, StoreTheirSettings)
{
    const SReplyRow rows[] = {
        {"Starlink NMEA periods, ZDA missing", &R::ProcessPSLIRParNmea,
         "$PSLIR,PAR,NMEA,GGA:1,GSA:0,GLL:-1,VTG:0.5,GSV:5*51\r\n", true,
         [](CGPSStatusData& s) {
             Nmea(s, {On, Off, Unknown, Off, On, s.m_NmeaStatus[5], On});
         }},
        {"Starlink NMEA period that is no number", &R::ProcessPSLIRParNmea,
         "$PSLIR,PAR,NMEA,GGA:0,GSA:1,ZDA:2,GLL:X,VTG:1,GSV:1*70\r\n", false,
         [](CGPSStatusData& s) {
             s.m_NmeaStatus[0] = Off;
             s.m_NmeaStatus[1] = s.m_NmeaStatus[2] = On;
         }},
        {"Starlink mode with the mask", &R::ProcessPSLIRParMode,
         "$PSLIR,PAR,MODE,DIM:3,ELM:15,PDM:8*50\r\n", true, Mask<15>},
        {"Starlink mode without the mask reports the mask held", &R::ProcessPSLIRParMode,
         "$PSLIR,PAR,MODE,DIM:3,PDM:8*06\r\n", true,
         [](CGPSStatusData& s) { s.m_bElevMask = s.m_bNewStatus = true; }},
        {"Starlink mode with an unreadable mask", &R::ProcessPSLIRParMode,
         "$PSLIR,PAR,MODE,ELM:high*48\r\n", false, Unchanged},
        {"Sokkia 908 keeps the whole degrees of its last field", &R::ProcessPMCAG,
         "$PMCAG,908,15,1,0,0,7.9*7C\r\n", true, Mask<7>},
        {"Sokkia other message", &R::ProcessPMCAG, "$PMCAG,907,1,2,3,4,7.9,5*5B\r\n", false,
         Unchanged},
        {"Sokkia 908 with an empty mask", &R::ProcessPMCAG, "$PMCAG,908,15,1,0,0,*5C\r\n", false,
         Unchanged},
        {"DIFF WAAS", &R::ProcessJSHOW, "$>JSHOW,DIFF,WAAS\r\n", true, Dgps<DGPS_WAAS>},
        {"DIFF BEACON", &R::ProcessJSHOW, "$>JSHOW,DIFF,BEACON\r\n", true, Dgps<DGPS_BEACON>},
        {"DIFF of no known source is off", &R::ProcessJSHOW, "$>JSHOW,DIFF,NONE\r\n", true,
         Dgps<DGPS_OFF>},
        {"ASC of GSV", &R::ProcessJSHOW, "$>JSHOW,ASC,GPGSV,1.0,PORTA\r\n", true,
         [](CGPSStatusData& s) {
             s.m_NmeaStatus[6] = On;
             s.m_bNmeaStatus = s.m_bNewStatus = true;
         }},
        {"ASC of a sentence outside the six", &R::ProcessJSHOW, "$>JSHOW,ASC,GPRMC,1.0,PORTA\r\n",
         false, [](CGPSStatusData& s) { s.m_bNmeaStatus = false; }},
        {"MASK", &R::ProcessJSHOW, "$>JSHOW,MASK,10\r\n", true, Mask<10>},
        {"FREQ 0 is automatic", &R::ProcessJSHOW, "$>JSHOW,FREQ,0.000,1200\r\n", true, Lband<1>},
        {"FREQ assigned by the user", &R::ProcessJSHOW, "$>JSHOW,FREQ,1557.845,1200\r\n", true,
         Lband<2>},
        {"FREQ that is no number", &R::ProcessJSHOW, "$>JSHOW,FREQ,AUTO\r\n", false, Unchanged},
        {"keyword outside the four", &R::ProcessJSHOW, "$>JSHOW,BAUD,19200\r\n", false, Unchanged},
        {"identification cut to 79 characters", &R::ProcessJiOrJgeoOrRd1, kLongInfo, true,
         [](CGPSStatusData& s) { Info(s, std::string(kLongInfo, 79)); }},
        {"L-band diagnostic keeps its line end", &R::ProcessJiOrJgeoOrRd1, "$RD1,1557.845,0\r\n",
         true, [](CGPSStatusData& s) { Info(s, "$RD1,1557.845,0\r\n"); }},
    };
    RunRows(rows);
}

// ---- "$PASHR,SAT" ---------------------------------------------------------------------------

CGPSSatelliteData Satellite(int nPRN, bool bUsed, int nSNR)
{
    CGPSSatelliteData sat;
    sat.m_nPRN = nPRN;
    sat.m_bUsed = bUsed;
    sat.m_bVisible = true;
    sat.m_nSNR = nSNR;
    return sat;
}

TEST(ReplyParserSatelliteStatus, ListedSatellitesBecomeTheVisibleOnes)
{
    struct SRow
    {
        const char* legend;
        const char* line;
        bool bResult;
        int nInView;
        const char* slots; // slots 0-4: PRN, "v" visible, "u" used
        double dMeanSNR;   // -1 where the sentence leaves it
    };
    // Before each row satellite 7 (SNR 50) is used in slot 0 and 12 is in view in slot 1.
    const SRow rows[] = {
        {"three listed: one in its own slot, two newcomers",
         "$PASHR,SAT,3,12,200,30,44,u,20,300,10,30,-,05,090,45,40,U*34\r\n", true, 3,
         "7u 12vu 20v 5vu 0", (50 + 44 + 40) / 3.0},
        {"none listed, kind in lower case", "$PASHR,sat,0*0E\r\n", true, 0, "7u 12 0 0 0", 50.0},
        {"second satellite's SNR unreadable", "$PASHR,SAT,2,20,300,10,30,U,21,310,11,,U*2E\r\n",
         false, 2, "7u 12 20vu 0 0", -1.0},
        {"more announced than listed", "$PASHR,SAT,99,20,300,10,30,U*54\r\n", false, 99,
         "7u 12 20vu 0 0", -1.0},
    };
    CGPSData& data = CDOZOzoeiver::m_GPSData;
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        CProbeReceiver receiver;
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
        EXPECT_EQ(0, data.m_Satellites[5].m_nPRN);
        EXPECT_EQ(row.nInView, data.m_nSatellitesInView);
        EXPECT_DOUBLE_EQ(row.dMeanSNR, data.m_dMeanSNR);
        EXPECT_EQ(row.bResult, data.m_bSatellitesInView);
        EXPECT_EQ(row.nInView > 0, data.m_bSatellites); // every row lists a storable satellite
        EXPECT_FALSE(data.m_Status.m_bNewStatus);
    }
}

TEST(ReplyParserSatelliteStatus, WholeRecordReplacesTheSlotWithAzimuthBeforeElevation)
{
    ResetSharedReceiverState();
    CProbeReceiver receiver;
    CGPSData& data = CDOZOzoeiver::m_GPSData;
    data.m_Satellites[0] = Satellite(12, true, 50);
    CString strLine("$PASHR,SAT,1,12,270,15,38,-*17\r\n");
    ASSERT_TRUE(receiver.ProcessPASHR(strLine));

    constexpr double kDeg = 3.141592653589793 / 180.0;
    const CGPSSatelliteData& sat = data.m_Satellites[0];
    EXPECT_DOUBLE_EQ(270 * kDeg, sat.m_dAzimuth);
    EXPECT_DOUBLE_EQ(15 * kDeg, sat.m_dElevation);
    EXPECT_EQ(38, sat.m_nSNR);
    EXPECT_FALSE(sat.m_bUsed); // the sentence's flag, not the slot's earlier one
    EXPECT_EQ(0.0, data.m_dMeanSNR);
}

} // namespace
