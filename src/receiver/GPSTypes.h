// The small enumerations shared by the records, the parsers and the model command sets. Their
// numeric values travel to the host inside the published records, so they never change.
#pragma once

// Quality of a fix as published in CGPSData::m_SignalStatus. The names are also the vocabulary of
// the site's "GPSStatus" table.
enum UDF_SIGNAL_STATUS : int
{
    UDF_SIGNAL_NONE = 0,
    UDF_SIGNAL_GPS = 1,
    UDF_SIGNAL_CORRECTED_GPS = 2,
    UDF_SIGNAL_CALCULATED = 3,
    UDF_SIGNAL_MANUAL = 4,
    UDF_SIGNAL_RTK_CODE = 5,
    UDF_SIGNAL_RTK_FIXED = 6,
    UDF_SIGNAL_RTK_FLOAT = 7,
    UDF_SIGNAL_POSTPROCESSED = 8,
    UDF_SIGNAL_WAAS = 9,
    UDF_SIGNAL_UNKNOWN = 10
};

// Output state of one of the receiver's NMEA messages, as learnt from its query replies.
enum NmeaMsgStatus : int
{
    NMEA_MSG_ON = 0,
    NMEA_MSG_OFF = 1,
    NMEA_MSG_UNKNOWN = 2
};

// Differential correction source: what SetDgpsMode asks for and what the receiver reports.
enum DgpsMode : int
{
    DGPS_OFF = 0,
    DGPS_BEACON = 1,
    DGPS_LBAND = 2,
    DGPS_WAAS = 3,
    DGPS_CDGPS = 4,
    DGPS_OMNISTAR_VBS = 5
};

// Beacon tuning mode, the first argument of SetBeacon. Command sets test only for
// BEACON_MODE_AUTO; any other value tunes manually.
enum BEACON_MODE_TYPE : int
{
    BEACON_MODE_AUTO = 0,
    BEACON_MODE_MANUAL = 1
};

static_assert(sizeof(UDF_SIGNAL_STATUS) == 4 && sizeof(NmeaMsgStatus) == 4 &&
                  sizeof(DgpsMode) == 4 && sizeof(BEACON_MODE_TYPE) == 4,
              "the enumerations are 32-bit in the published records");
