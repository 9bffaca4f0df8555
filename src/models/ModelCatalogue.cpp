// The catalogue: each model's command scripts by family, then one row per model. Reading down the
// table gives every supported model, what a host may offer for it and what each operation sends.
#include "models/ModelCatalogue.h"

#include "models/Ashtech.h"
#include "models/Gsr2650lb.h"
#include "models/NmeaModels.h"
#include "models/Sirf.h"
#include "models/SokkiaAxis3.h"
#include "rawdata/RawBinInterval.h"

#include <algorithm>

namespace
{

// ---- how steps are written ----------------------------------------------------------------------

// A line and the pause after it (ms).
constexpr SCommandStep Line(const wchar_t* pszLine, DWORD dwPause)
{
    return {pszLine, dwPause};
}

// A pause without a line.
constexpr SCommandStep Pause(DWORD dwPause)
{
    return {nullptr, dwPause};
}

// A line whose text depends on the receiver's state.
constexpr SCommandStep StateLine(const wchar_t* (*pfnLine)(), DWORD dwPause)
{
    return {nullptr, dwPause, pfnLine};
}

// A line that waits up to nAckWait ms for the receiver's acknowledgement, under the wait window
// when the caller asks for it, then pauses.
constexpr SCommandStep Acked(const wchar_t* pszLine, int nAckWait, DWORD dwPause = 0)
{
    return {pszLine, dwPause, nullptr, nAckWait, true};
}

// As Acked, but never under the wait window.
constexpr SCommandStep AckedWithoutWindow(const wchar_t* pszLine, int nAckWait, DWORD dwPause = 0)
{
    return {pszLine, dwPause, nullptr, nAckWait, false};
}

// One step a line, as the receiver gets them.
// clang-format off

// ---- plain NMEA receivers -----------------------------------------------------------------------

// Receivers that fall asleep without traffic wake up on this line.
constexpr SCommandStep s_KeepAlive[] = {Line(L"VKR Orlo\r\n", 0)};

// Leica: default rates off, then GGA, GSA and GSV on.
constexpr SCommandStep s_LeicaSetup[] = {
    Line(L"$PMVXG,007,,1,,,,,\r\n", 200),
    Line(L"$PMVXG,007,GGA,0,1,,1,6,2\r\n", 200),
    Line(L"$PMVXG,007,GSA,0,1,,1,,,\r\n", 200),
    Line(L"$PMVXG,007,GSV,0,1,,5,,,\r\n", 200),
};

// ---- beacon receivers tuned with $GPMSK (Ashtech family and Axis3) ------------------------------

constexpr SCommandStep s_BeaconQuery[] = {
    Line(L"$GPCRQ,MSS\r\n", 200), // signal status
    Line(L"$GPCRQ,MSK\r\n", 200), // tuning
};
constexpr SCommandStep s_BeaconAuto[] = {Line(L"$GPMSK,,A,,A,0\r\n", 200)};
// Frequency always manual; the bit rate manual when given, else automatic.
constexpr SCommandStep s_BeaconManual[] = {Line(L"$GPMSK,%s,M,%s,%s,0\r\n", 200)};

// ---- Ashtech, CSI, Racal ------------------------------------------------------------------------

constexpr SCommandStep s_AshtechDefaultNmea[] = {
    Line(L"$PASHS,NME,ALL,A,OFF\r\n", 200),
    Line(L"$PASHS,NME,GGA,A,ON\r\n", 200),
    Line(L"$PASHS,NME,GSA,A,ON\r\n", 200),
    Line(L"$PASHS,NME,VTG,A,ON\r\n", 200),
    Line(L"$PASHS,NME,SAT,A,ON\r\n", 200),
    Line(L"$PASHS,NME,GSV,A,ON\r\n", 200),
};
constexpr SCommandStep s_AshtechGgaOnly[] = {
    Line(L"$PASHS,NME,ALL,A,OFF\r\n", 200),
    Line(L"$PASHS,NME,GGA,A,ON\r\n", 200),
};
// One parameter listing carries the active sentences, the settings and the mask.
constexpr SCommandStep s_CsiPar[] = {Line(L"$PASHQ,PAR\r\n", 500)};
constexpr SCommandStep s_CsiElevMask[] = {Line(L"$PASHS,PEM,%-d\r\n", 200)};
// Back to the library's working configuration, saved in the receiver. The reset itself takes
// long to acknowledge and longer to settle.
constexpr SCommandStep s_CsiReset[] = {
    Acked(L"$PASHS,RST\r\n", 10000, 3000),
    Acked(L"$PASHS,RTC,AUT,Y\r\n", 1000),
    Acked(L"$PASHS,RTC,REM,B\r\n", 1000),
    Acked(L"$PASHS,NME,GGA,A,ON\r\n", 1000),
    Acked(L"$PASHS,NME,GSA,A,ON\r\n", 1000),
    Acked(L"$PASHS,NME,VTG,A,ON\r\n", 1000),
    Acked(L"$PASHS,NME,SAT,A,ON\r\n", 1000),
    Acked(L"$PASHS,PDP,14\r\n", 1000), // PDOP mask
    Acked(L"$PASHS,HDP,10\r\n", 1000), // HDOP mask
    Acked(L"$PASHS,VDP,10\r\n", 1000), // VDOP mask
    Acked(L"$PASHS,SAV,Y\r\n", 1000),
};

// ---- Starlink -----------------------------------------------------------------------------------

constexpr SCommandStep s_StarlinkDefaultNmea[] = {
    Line(L"$PSLIS,NME,ALL,A,OFF\r\n", 200),
    Line(L"$PSLIS,NME,GGA,A,ON\r\n", 200),
    Line(L"$PSLIS,NME,GSA,A,ON\r\n", 200),
    Line(L"$PSLIS,NME,VTG,A,ON\r\n", 200),
    Line(L"$PSLIS,NME,GSV,A,ON\r\n", 200),
};
constexpr SCommandStep s_StarlinkGgaOnly[] = {
    Line(L"$PSLIS,NME,ALL,A,OFF\r\n", 200),
    Line(L"$PSLIS,NME,GGA,A,ON\r\n", 200),
};
constexpr SCommandStep s_StarlinkPar[] = {Line(L"$PSLIQ,PAR\r\n", 500)};
constexpr SCommandStep s_StarlinkBeaconQuery[] = {
    Line(L"$PSLIQ,NME,MSS\r\n", 200),
    Line(L"$PSLIQ,NME,MSK\r\n", 200),
};
constexpr SCommandStep s_StarlinkElevMask[] = {Line(L"$PSLIS,ELM,%-d\r\n", 200)};
// The clear is not acknowledged under a window whatever the caller asks; the receiver then needs
// five seconds before it takes the sentence selection (ResetAll's own).
constexpr SCommandStep s_StarlinkReset[] = {
    AckedWithoutWindow(L"$PSLIS,RST,CLR\r\n", 100, 5000),
};

// ---- Sokkia Axis --------------------------------------------------------------------------------

constexpr SCommandStep s_SokkiaSetup[] = {Line(L"$PMCAG,008,15,,,,,,,,,,5,,,,,\r\n", 500)};
// One line selects every sentence.
constexpr SCommandStep s_SokkiaDefaultNmea[] = {Line(
    L"$PMCAG,005,0,900,0,906,0,907,0,GGA,1,GSA,1,VTG,1,GSV,1,ZDA,0,RMC,0,GLL,0\r\n", 1000)};
constexpr SCommandStep s_SokkiaGgaOnly[] = {Line(
    L"$PMCAG,005,0,900,0,906,0,907,0,GGA,1,GSA,0,VTG,0,GSV,0,ZDA,0,RMC,0,GLL,0\r\n", 1000)};
constexpr SCommandStep s_SokkiaQueryElevMask[] = {Line(L"$PMCAG,004,908\r\n", 200)};
constexpr SCommandStep s_SokkiaElevMask[] = {Line(L"$PMCAG,008,15,,,,%d,,,,,,,,,,,\r\n", 800)};

// ---- Sokkia Axis3 and CSI - MAX -----------------------------------------------------------------

// The receiver needs a moment after the port opens before it takes commands.
constexpr SCommandStep s_Axis3Settle[] = {Pause(500)};
// One status listing carries the active sentences, the mask and the differential source.
constexpr SCommandStep s_Axis3Show[] = {Line(L"$JSHOW\r\n", 200)};
constexpr SCommandStep s_Axis3OmniStar[] = {
    Line(L"$JI\r\n", 200),
    Line(L"$JGEO\r\n", 200),
    Line(L"$JSHOW\r\n", 200),
};
constexpr SCommandStep s_Axis3LbandBeams[] = {Line(L"$JLBEAM\r\n", 200)};
// Settings that change the receiver's output are saved, then message 95 is asked for again at
// the raw interval (whether or not raw output is on).
constexpr SCommandStep s_Axis3ElevMask[] = {
    Line(L"$JMASK,%d\r\n", 800),
    Line(L"$JSAVE\r\n", 2000),
    StateLine(&GetMessage95Request, 200),
};
constexpr SCommandStep s_Axis3Lband[] = {
    Line(L"$JFREQ,%f,%d\r\n", 800),
    Line(L"$JSAVE\r\n", 2000),
    StateLine(&GetMessage95Request, 200),
};
constexpr SCommandStep s_Axis3DefaultNmea[] = {
    Line(L"$JOFF\r\n", 1000),
    Line(L"$JASC,GPGGA,1\r\n", 200),
    Line(L"$JASC,GPGSA,1\r\n", 200),
    Line(L"$JASC,GPVTG,1\r\n", 200),
    Line(L"$JASC,GPGSV,1\r\n", 200),
    Line(L"$JSAVE\r\n", 2000),
    StateLine(&GetMessage95Request, 200),
};
constexpr SCommandStep s_Axis3GgaOnly[] = {
    Line(L"$JOFF\r\n", 1000),
    Line(L"$JASC,GPGGA,1\r\n", 200),
    Line(L"$JSAVE\r\n", 2000),
    StateLine(&GetMessage95Request, 200),
};
constexpr SCommandStep s_Axis3BeaconAuto[] = {
    Line(L"$GPMSK,,A,,A,0\r\n", 200),
    Line(L"$JSAVE\r\n", 2000),
};
constexpr SCommandStep s_Axis3BeaconManual[] = {
    Line(L"$GPMSK,%s,M,%s,%s,0\r\n", 200),
    Line(L"$JSAVE\r\n", 2000),
};
constexpr SCommandStep s_Axis3DgpsOff[] = {Line(L"$JDIFF,OFF\r\n", 1000)};
constexpr SCommandStep s_Axis3DgpsBeacon[] = {Line(L"$JDIFF,BEACON\r\n", 1000)};
// The satellite services first need their application loaded.
constexpr SCommandStep s_Axis3DgpsLband[] = {
    Line(L"$JAPP,2\r\n", 5000),
    Line(L"$JDIFF,LBAND\r\n", 5000),
};
constexpr SCommandStep s_Axis3DgpsWaas[] = {
    Line(L"$JAPP,1\r\n", 5000),
    Line(L"$JDIFF,WAAS\r\n", 5000),
};
constexpr SCommandStep s_Axis3Save[] = {Line(L"$JSAVE\r\n", 2000)};
constexpr SCommandStep s_Axis3DgpsMessages[] = {Line(L"$JASC,D1,%d\r\n", 0)};

// ---- GSR2650 LB ---------------------------------------------------------------------------------

// The board's logs name the port they come out on; the sentence logs name none (two blanks).
constexpr SCommandStep s_OemQueryNmea[] = {Line(L"LOG LOGLISTA ONCE\r\n", 200)};
constexpr SCommandStep s_OemQueryElevMask[] = {Line(L"LOG COM2 ECUTOFFA ONCE\r\n", 100)};
constexpr SCommandStep s_OemQueryBeacon[] = {Line(L"LOG COM2 RXCONFIGA ONCE\r\n", 100)};
constexpr SCommandStep s_OemQueryDgps[] = {
    Line(L"LOG COM2 RTKSOURCEA ONCE\r\n", 100),
    Line(L"LOG COM2 SBASCONTROLA ONCE\r\n", 100),
    Line(L"LOG COM2 PSRDIFFSOURCEA ONCE\r\n", 100),
};
constexpr SCommandStep s_OemQueryWaas[] = {Line(L"LOG WAAS1A ONCE\r\n", 200)};
constexpr SCommandStep s_OemQueryOmniStar[] = {
    Line(L"LOG OMNIINFOA ONCE\r\n", 200),
    Line(L"LOG OMNISTATA ONCE\r\n", 200),
    Line(L"LOG OMNIHPPOSA ONCE\r\n", 200),
};
// GGA, GSA, GSV and VTG once a second, every other NMEA log stopped.
constexpr SCommandStep s_OemDefaultNmea[] = {
    Line(L"LOG  GPGGA ONTIME 1 0 NOHOLD\r\n", 200),
    Line(L"UNLOG  GPGGALONG\r\n", 200),
    Line(L"UNLOG  GPGGARTK\r\n", 200),
    Line(L"UNLOG  GPGLL\r\n", 200),
    Line(L"UNLOG  GPGRS\r\n", 200),
    Line(L"LOG  GPGSA ONTIME 1 0 NOHOLD\r\n", 200),
    Line(L"UNLOG  GPGST\r\n", 200),
    Line(L"LOG  GPGSV ONTIME 1 0 NOHOLD\r\n", 200),
    Line(L"UNLOG  GPRMB\r\n", 200),
    Line(L"UNLOG  GPRMC\r\n", 200),
    Line(L"LOG  GPVTG ONTIME 1 0 NOHOLD\r\n", 200),
    Line(L"UNLOG  GPZDA\r\n", 200),
    Line(L"UNLOG  GPALM\r\n", 200),
};
constexpr SCommandStep s_OemGgaOnly[] = {
    Line(L"UNLOG  GPALM\r\n", 200),
    Line(L"LOG  GPGGA ONTIME 1 0 NOHOLD\r\n", 200),
    Line(L"UNLOG  GPGGALONG\r\n", 200),
    Line(L"UNLOG  GPGGARTK\r\n", 200),
    Line(L"UNLOG  GPGLL\r\n", 200),
    Line(L"UNLOG  GPGRS\r\n", 200),
    Line(L"UNLOG  GPGSA\r\n", 200),
    Line(L"UNLOG  GPGST\r\n", 200),
    Line(L"UNLOG  GPGSV\r\n", 200),
    Line(L"UNLOG  GPRMB\r\n", 200),
    Line(L"UNLOG  GPRMC\r\n", 200),
    Line(L"UNLOG  GPVTG\r\n", 200),
    Line(L"UNLOG  GPZDA\r\n", 200),
};
constexpr SCommandStep s_OemElevMask[] = {
    Line(L"ECUTOFF %i\r\n", 200),
    Line(L"SAVECONFIG\r\n", 500),
};
// Whatever the beacon arguments: every source chosen automatically.
constexpr SCommandStep s_OemAutomaticSources[] = {
    Line(L"RTKSOURCE AUTO ANY\r\n", 100),
    Line(L"PSRDIFFSOURCE AUTO ANY\r\n", 100),
    Line(L"SBASCONTROL ENABLE AUTO\r\n", 100),
};
// Setting a source also puts the datum back to WGS84 with the built-in geoid.
constexpr SCommandStep s_OemDatumReset[] = {
    Line(L"UNDULATION TABLE\r\n", 100),
    Line(L"DATUM WGS84\r\n", 100),
};
constexpr SCommandStep s_OemDgpsOff[] = {
    Line(L"RTKSOURCE NONE\r\n", 100),
    Line(L"PSRDIFFSOURCE NONE\r\n", 100),
    Line(L"SBASCONTROL DISABLE AUTO\r\n", 100),
};
constexpr SCommandStep s_OemDgpsLband[] = {
    Line(L"RTKSOURCE OMNISTAR\r\n", 100),
    Line(L"PSRDIFFSOURCE NONE\r\n", 100),
    Line(L"SBASCONTROL DISABLE AUTO\r\n", 100),
};
constexpr SCommandStep s_OemDgpsWaas[] = {
    Line(L"RTKSOURCE NONE\r\n", 100),
    Line(L"PSRDIFFSOURCE NONE\r\n", 100),
    Line(L"SBASCONTROL ENABLE AUTO\r\n", 100),
};
constexpr SCommandStep s_OemDgpsCdgps[] = {
    Line(L"PSRDIFFSOURCE CDGPS\r\n", 100),
    Line(L"RTKSOURCE NONE\r\n", 100),
    Line(L"SBASCONTROL DISABLE AUTO\r\n", 100),
};
constexpr SCommandStep s_OemDgpsOmniStarVbs[] = {
    Line(L"PSRDIFFSOURCE OMNISTAR\r\n", 100),
    Line(L"RTKSOURCE NONE\r\n", 100),
    Line(L"SBASCONTROL DISABLE AUTO\r\n", 100),
};
constexpr SCommandStep s_OemSaveAfterSource[] = {Line(L"SAVECONFIG\r\n", 2000)};
// A user-assigned OmniSTAR frequency (kHz, no decimals) and bit rate.
constexpr SCommandStep s_OemLbandFrequency[] = {
    Line(L"ASSIGNOMNI USER %.0f %d\r\n", 800),
    Line(L"SAVECONFIG\r\n", 2000),
};
// A fixed user datum and geoid offset.
constexpr SCommandStep s_OemCorrection[] = {
    Line(L"USERDATUM 6378137 298.257222101 -.9910 1.9072 .5129 .000000125033 .0000000467845 "
         L".0000000565292 0 \r\n",
         100),
    Line(L"datum user\r\n", 100),
    Line(L"UNDULATION USER -1.09\r\n", 100),
    Line(L"SAVECONFIG\r\n", 1000),
};
constexpr SCommandStep s_OemReset[] = {Acked(L"RESET 0\r\n", 10000)};

// clang-format on

// ---- the catalogue ------------------------------------------------------------------------------

template <class TModel> CDOZOzoeiver* Create()
{
    return new TModel;
}

// A row names only the scripts its model has; every other operation's script is empty.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// clang-format off
// What every row starts with; the class is named once, for its factory and its run-time name.
#define MODEL(model, cls, name, baud)                                                              \
    .m_eModel = EReceiverModel::model, .m_pszClassName = #cls, .m_pszName = name,                  \
    .m_nDefaultBaudrate = baud, .m_pfnCreate = &Create<cls>, .m_pClass = &typeid(cls)

constexpr SReceiverModel s_aModels[] = {
    {MODEL(Omnistar, COmnistar, L"Omnistar", 4800)},
    {MODEL(Corvane, CCorvane, L"Corvane", 4800),
     .m_KeepAlive = s_KeepAlive},
    {MODEL(CorvanePocketGps, CCorvanePocketGps, L"Corvane Pocket", 9600)},
    {MODEL(Ashtech, CAshtech, L"Ashtech", 9600),
     .m_nCapabilities = MODEL_RAW_DATA | MODEL_SET_NMEA,
     .m_SetDefaultNMEA = s_AshtechDefaultNmea,
     .m_SetGgaOnlyNMEA = s_AshtechGgaOnly},
    {MODEL(CSI, CCSI, L"CSI", 9600),
     .m_nCapabilities = MODEL_RAW_DATA | MODEL_SET_NMEA | MODEL_QUERY_NMEA | MODEL_QUERY_SETTINGS |
                        MODEL_BEACON | MODEL_ELEV_MASK | MODEL_RESET,
     .m_QueryStatus = s_CsiPar,
     .m_QueryNmeaActive = s_CsiPar,
     .m_QueryGpsSettings = s_CsiPar,
     .m_QueryBeacon = s_BeaconQuery,
     .m_SetBeaconAuto = s_BeaconAuto,
     .m_SetBeaconManual = s_BeaconManual,
     .m_QuerySatElevMask = s_CsiPar,
     .m_SetSatElevMask = s_CsiElevMask,
     .m_SetDefaultNMEA = s_AshtechDefaultNmea,
     .m_SetGgaOnlyNMEA = s_AshtechGgaOnly,
     .m_ResetAll = s_CsiReset},
    {MODEL(Racal, CRacal, L"Racal", 9600),
     .m_nCapabilities = MODEL_RAW_DATA | MODEL_SET_NMEA | MODEL_ORTHO_HEIGHT,
     .m_SetDefaultNMEA = s_AshtechDefaultNmea,
     .m_SetGgaOnlyNMEA = s_AshtechGgaOnly},
    {MODEL(Leica, CLeica, L"Leica", 9600),
     .m_Initialize = s_LeicaSetup,
     .m_KeepAlive = s_KeepAlive},
    {MODEL(Starlink, CStarlink, L"Starlink", 9600),
     .m_nCapabilities = MODEL_QUERY_NMEA | MODEL_BEACON | MODEL_ELEV_MASK | MODEL_SET_NMEA |
                        MODEL_RESET | MODEL_ORTHO_HEIGHT,
     .m_QueryStatus = s_StarlinkPar,
     .m_QueryNmeaActive = s_StarlinkPar,
     .m_QueryBeacon = s_StarlinkBeaconQuery,
     .m_SetBeaconAuto = s_BeaconAuto,
     .m_SetBeaconManual = s_BeaconManual,
     .m_QuerySatElevMask = s_StarlinkPar,
     .m_SetSatElevMask = s_StarlinkElevMask,
     .m_SetDefaultNMEA = s_StarlinkDefaultNmea,
     .m_SetGgaOnlyNMEA = s_StarlinkGgaOnly,
     .m_ResetAll = s_StarlinkReset},
    {MODEL(Garmin, CGarmin, L"Garmin 17-N", 4800)},
    {MODEL(Javad, CJavad, L"Javad", 9600)},
    {MODEL(Satloc, CSatloc, L"Satloc", 9600)},
    {MODEL(Sokkia, CSokkia, L"Sokkia Axis", 9600),
     .m_nCapabilities = MODEL_BEACON | MODEL_ELEV_MASK | MODEL_SET_NMEA,
     .m_Initialize = s_SokkiaSetup,
     .m_QueryBeacon = s_BeaconQuery,
     .m_SetBeaconAuto = s_BeaconAuto,
     .m_SetBeaconManual = s_BeaconManual,
     .m_QuerySatElevMask = s_SokkiaQueryElevMask,
     .m_SetSatElevMask = s_SokkiaElevMask,
     .m_SetDefaultNMEA = s_SokkiaDefaultNmea,
     .m_SetGgaOnlyNMEA = s_SokkiaGgaOnly},
#define AXIS3_COMMANDS                                                                             \
     .m_nCapabilities = MODEL_RAW_DATA | MODEL_QUERY_NMEA | MODEL_BEACON | MODEL_ELEV_MASK |       \
                        MODEL_SET_NMEA | MODEL_DGPS,                                               \
     .m_Initialize = s_Axis3Settle,                                                                \
     .m_QueryStatus = s_Axis3Show,                                                                 \
     .m_QueryNmeaActive = s_Axis3Show,                                                             \
     .m_QueryBeacon = s_BeaconQuery,                                                               \
     .m_SetBeaconAuto = s_Axis3BeaconAuto,                                                         \
     .m_SetBeaconManual = s_Axis3BeaconManual,                                                     \
     .m_QuerySatElevMask = s_Axis3Show,                                                            \
     .m_SetSatElevMask = s_Axis3ElevMask,                                                          \
     .m_SetDefaultNMEA = s_Axis3DefaultNmea,                                                       \
     .m_SetGgaOnlyNMEA = s_Axis3GgaOnly,                                                           \
     .m_QueryDgpsMode = s_Axis3Show,                                                               \
     .m_SetDgpsMode = {s_Axis3DgpsOff, s_Axis3DgpsBeacon, s_Axis3DgpsLband, s_Axis3DgpsWaas},      \
     .m_SetDgpsModeEnd = s_Axis3Save,                                                              \
     .m_QueryOmniStar = s_Axis3OmniStar,                                                           \
     .m_DgpsStatusMsg = s_Axis3DgpsMessages,                                                       \
     .m_QueryLbandSatellites = s_Axis3LbandBeams,                                                  \
     .m_SetLbandFrequency = s_Axis3Lband
    {MODEL(SokkiaAxis3, CSokkiaAxis3, L"Sokkia Axis3", 9600), AXIS3_COMMANDS},
    {MODEL(CSImax, CCSImax, L"CSI - MAX", 9600), AXIS3_COMMANDS},
#undef AXIS3_COMMANDS
    // The SiRF family's commands are NMEA input sentences and binary frames of its own.
#define SIRF_COMMANDS                                                                              \
     .m_nCapabilities = MODEL_SET_NMEA | MODEL_RESET | MODEL_DGPS,                                 \
     .m_nCarriedInCode = MODEL_SET_NMEA | MODEL_RESET | MODEL_DGPS
    {MODEL(Sirf, CSirf, L"SiRF", 4800), SIRF_COMMANDS},
    {MODEL(ToughbookGPS01, CToughbookGPS01, L"Toughbook GPS01", 4800), SIRF_COMMANDS},
    {MODEL(Holux, CHolux, L"Holux", 4800), SIRF_COMMANDS},
#undef SIRF_COMMANDS
    {MODEL(OtherGps, COtherGps, L"NMEA-0183", 9600)},
    // Its queries also clear what they ask for, its source setter stores the source, and its
    // reset re-initialises the board in between: code of its own around these rows.
    {MODEL(Gsr2650lb, Cgsr2650lb, L"GSR2650 LB", 9600),
     .m_nCapabilities = MODEL_RAW_DATA | MODEL_QUERY_NMEA | MODEL_ELEV_MASK | MODEL_SET_NMEA |
                        MODEL_RESET | MODEL_DGPS,
     .m_QueryNmeaActive = s_OemQueryNmea,
     .m_QueryBeacon = s_OemQueryBeacon,
     .m_SetBeaconAuto = s_OemAutomaticSources,
     .m_SetBeaconManual = s_OemAutomaticSources,
     .m_QuerySatElevMask = s_OemQueryElevMask,
     .m_SetSatElevMask = s_OemElevMask,
     .m_SetDefaultNMEA = s_OemDefaultNmea,
     .m_SetGgaOnlyNMEA = s_OemGgaOnly,
     .m_ResetAll = s_OemReset,
     .m_QueryDgpsMode = s_OemQueryDgps,
     .m_SetDgpsModeStart = s_OemDatumReset,
     .m_SetDgpsMode = {s_OemDgpsOff, s_OemAutomaticSources, s_OemDgpsLband, s_OemDgpsWaas,
                       s_OemDgpsCdgps, s_OemDgpsOmniStarVbs},
     .m_SetDgpsModeEnd = s_OemSaveAfterSource,
     .m_QueryOmniStar = s_OemQueryOmniStar,
     .m_SetLbandFrequency = s_OemLbandFrequency,
     .m_SendCorrection = s_OemCorrection,
     .m_QueryWAAS = s_OemQueryWaas},
};
#undef MODEL
// clang-format on
#pragma GCC diagnostic pop

// A model's value indexes its row.
constexpr bool RowsFollowTheEnumeration()
{
    for (int i = 0; i < RECEIVER_MODEL_COUNT; ++i)
    {
        if (static_cast<int>(s_aModels[i].m_eModel) != i)
        {
            return false;
        }
    }
    return true;
}

// A capability is claimed only with the scripts of every operation that carries it, or with the
// class's own code for it. Raw data is carried by the receiver base's raw commands where the
// class has none of its own.
constexpr bool CarriesWhatItClaims(const SReceiverModel& model)
{
    const bool bAnyDgpsSource =
        std::any_of(std::begin(model.m_SetDgpsMode), std::end(model.m_SetDgpsMode),
                    [](const CommandScript& script) { return !script.empty(); });
    const auto claims = [&model](unsigned nCapability) {
        return (model.m_nCapabilities & nCapability & ~model.m_nCarriedInCode) != 0;
    };
    return (!claims(MODEL_QUERY_NMEA) || !model.m_QueryNmeaActive.empty()) &&
           (!claims(MODEL_QUERY_SETTINGS) || !model.m_QueryGpsSettings.empty()) &&
           (!claims(MODEL_BEACON) ||
            (!model.m_QueryBeacon.empty() && !model.m_SetBeaconAuto.empty() &&
             !model.m_SetBeaconManual.empty())) &&
           (!claims(MODEL_ELEV_MASK) ||
            (!model.m_QuerySatElevMask.empty() && !model.m_SetSatElevMask.empty())) &&
           (!claims(MODEL_SET_NMEA) ||
            (!model.m_SetDefaultNMEA.empty() && !model.m_SetGgaOnlyNMEA.empty())) &&
           (!claims(MODEL_RESET) || !model.m_ResetAll.empty()) &&
           (!claims(MODEL_DGPS) || (!model.m_QueryDgpsMode.empty() && bAnyDgpsSource));
}

static_assert(std::size(s_aModels) == RECEIVER_MODEL_COUNT, "one row per model");
static_assert(RowsFollowTheEnumeration(), "rows in the order of EReceiverModel");
static_assert(std::all_of(std::begin(s_aModels), std::end(s_aModels), CarriesWhatItClaims),
              "a capability needs the commands that carry it");

} // namespace

std::span<const SReceiverModel> GetReceiverModels()
{
    return s_aModels;
}

const SReceiverModel& GetReceiverModel(EReceiverModel eModel)
{
    const int nIndex = static_cast<int>(eModel);
    if (nIndex < 0 || nIndex >= RECEIVER_MODEL_COUNT)
    {
        return s_aModels[static_cast<int>(EReceiverModel::OtherGps)];
    }
    return s_aModels[nIndex];
}

bool IsCatalogueModelClass(const CDOZOzoeiver& receiver)
{
    const std::type_info& type = typeid(receiver);
    return std::any_of(std::begin(s_aModels), std::end(s_aModels),
                       [&type](const SReceiverModel& model) { return *model.m_pClass == type; });
}

const SReceiverModel* FindReceiverModel(const CString& strName)
{
    for (const SReceiverModel& model : s_aModels)
    {
        if (strName.View() == model.m_pszName)
        {
            return &model;
        }
    }
    return nullptr;
}
