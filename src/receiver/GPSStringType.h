// Kinds of messages a receiver sends, as recognised from their leading text. Values 1 to 15 are
// NMEA sentences whose checksum must be correct; above 15 the checksum is not checked.
#pragma once

enum GPSStringType : int
{
    GPS_STRING_UNKNOWN = 0,
    GPS_STRING_ALM = 1,
    GPS_STRING_GGA = 2,
    GPS_STRING_INGGA = 3,
    GPS_STRING_GLL = 4,
    GPS_STRING_GSA = 5,
    GPS_STRING_GSV = 6,
    GPS_STRING_RMC = 7,
    GPS_STRING_VTG = 8,
    GPS_STRING_ZDA = 9,
    GPS_STRING_CRMSS = 10,
    GPS_STRING_CRMSK = 11,
    GPS_STRING_PSLIR_NMEA = 12,
    GPS_STRING_PSLIR_MODE = 13,
    GPS_STRING_PMCAG = 14,
    GPS_STRING_RESERVED = 15,
    GPS_STRING_PEM = 16,
    GPS_STRING_PMD = 17,
    GPS_STRING_PRTA = 18,
    GPS_STRING_PER = 19,
    GPS_STRING_PASHR = 20,
    GPS_STRING_JSHOW = 21,
    GPS_STRING_JI = 22,
    GPS_STRING_JGEO = 23,
    GPS_STRING_RD1 = 24,
    GPS_STRING_BIN = 25,
    GPS_STRING_LOGLIST = 26,
    GPS_STRING_RXCONFIG = 27,
    GPS_STRING_ECUTOFF = 28,
    GPS_STRING_OMNIINFO = 29,
    GPS_STRING_OMNISTAT = 30,
    GPS_STRING_OMNIHPPOS = 31,
    GPS_STRING_WAAS1 = 32,
    GPS_STRING_RTKSOURCE = 33,
    GPS_STRING_SBASCONTROL = 34,
    GPS_STRING_PSRDIFFSOURCE = 35,
    GPS_STRING_OEM_BINARY = 36,
    GPS_STRING_PGRME = 37
};

// The checksum rule follows from the kind, it is not stored separately.
constexpr bool IsChecksummedKind(GPSStringType eType)
{
    return eType >= GPS_STRING_ALM && eType <= GPS_STRING_RESERVED;
}
