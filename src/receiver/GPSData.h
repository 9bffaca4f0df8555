// The records in which the receiver core reports to the host: a position/status record
// (CGPSData with CGPSStatusData and twelve CGPSSatelliteData), a raw-measurement epoch
// (CGPSDataRaw with CGPSSatelliteDataRaw) and one satellite's broadcast ephemeris
// (CGPSDataEphemeris). The host receives heap copies and reads the fields directly, so field
// order, widths and units are part of the library's binary interface: bool is one byte, int is
// 32-bit, angles are radians unless noted, m_Time is 32-bit signed seconds since 1970 UTC.
// No record owns heap memory; copying copies every field.
#pragma once

#include "platform/WinTypes.h"
#include "receiver/GPSTypes.h"
#include "receiver/RawRecords.h"

#include <cstdint>

// 32-bit signed seconds since 1970-01-01 00:00 UTC, from the computer's clock.
using GPSTime32 = std::int32_t;

// One satellite of the position record; m_nPRN 0 marks an empty slot.
class FIXORA_API CGPSSatelliteData
{
public:
    CGPSSatelliteData() = default;

    double m_dElevation = 0.0; // radians
    double m_dAzimuth = 0.0;   // radians
    int m_nPRN = 0;            // satellite number as sent by the receiver
    bool m_bUsed = false;      // used in the solution (GSA)
    bool m_bVisible = false;   // listed in the current GSV cycle or the last GSA
    int m_nSNR = 0;            // signal-to-noise, dB-Hz as sent
};

// Receiver settings and status learnt from query replies. Each m_b... validity flag says which
// group of values arrived since the last publication; Invalidate clears the flags and keeps
// most values, so a published copy carries only what is new while the values persist.
class FIXORA_API CGPSStatusData
{
public:
    CGPSStatusData();
    CGPSStatusData(const CGPSStatusData&) = default;
    CGPSStatusData& operator=(const CGPSStatusData&) = default;
    virtual ~CGPSStatusData() = default;

    // Clears the validity flags; sets m_bPemReply, every m_NmeaStatus entry to unknown,
    // m_dRecordingInterval to -1.0 and m_nLbandMode to 0. Beacon values, tuning mode, elevation
    // mask value, save flag, the whole position-mode group (its flag included), the DGPS mode
    // value and the info text keep their contents.
    void Invalidate();

    bool m_bNewStatus;             // a status reply arrived since the last publication
    bool m_bBeaconSignal;          // the four beacon signal values below are valid
    int m_nBeaconSignalStrength;   // as sent
    int m_nBeaconSNR;              // as sent
    double m_dBeaconFrequency;     // as sent
    int m_nBeaconBitRate;          // as sent
    bool m_bBeaconTuning;          // m_bBeaconAutoFrequency is valid
    bool m_bBeaconAutoFrequency;   // frequency chosen automatically (true) or manually
    bool m_bPemReply;              // elevation-mask reply carrying the save flag
    bool m_bElevMask;              // m_nElevMask is valid
    int m_nElevMask;               // satellite elevation mask, degrees
    bool m_bSettingsSaved;         // receiver reports its settings saved
    bool m_bNmeaStatus;            // m_NmeaStatus is valid
    NmeaMsgStatus m_NmeaStatus[7]; // by index: GGA, GSA, ZDA, GLL, VTG, SAT, GSV
    bool m_bPositionMode;          // the five position-mode values below are valid
    double m_dFixedAltitude;       // metres
    int m_nPositionMode;
    int m_nPdopMask;
    int m_nHdopMask;
    int m_nVdopMask;
    double m_dRecordingInterval; // raw recording interval, seconds; -1.0 unknown
    bool m_bAckReceived;         // an acknowledgement arrived
    bool m_bDgpsMode;            // m_DgpsMode is valid
    DgpsMode m_DgpsMode;         // differential source reported by the receiver
    int m_nLbandMode;            // 0 unknown, 1 automatic, 2 user-assigned frequency
    bool m_bInfoText;            // m_szInfoText is valid
    char m_szInfoText[80];       // zero-terminated, at most 79 characters
};

// The position record. Parsers fill the shared working copy; publishing copies it to the host and
// then clears its validity flags.
class FIXORA_API CGPSData
{
public:
    // Zero satellites, a fresh status record, an empty m_szProprietary, then Clear().
    CGPSData();

    // Zeroes the position, DOP, error, motion and offset values, the satellite counts and the fix
    // quality, stamps m_Time with the current time, then Invalidate(true). The satellite table,
    // m_szProprietary and m_Status are left as they are.
    void Clear();
    // Clears the validity flags; m_bSatellitesInView only when bAll is true, so a completed
    // satellite cycle stays flagged across publications.
    void Invalidate(bool bAll);

    double m_dLatitude;  // radians, north positive
    double m_dLongitude; // radians, east positive
    double m_dAltitude;  // metres, antenna height removed, geoid as configured
    double m_dHDOP;
    double m_dPDOP;
    double m_dVDOP;
    double m_dMeanSNR;   // mean SNR of the satellites used; 0 when none
    double m_dHorzError; // estimated errors, metres
    double m_dVertError;
    double m_dSphericalError;
    GPSTime32 m_Time;                   // stamped at Clear and on each published copy
    CGPSSatelliteData m_Satellites[12]; // slot order is arrival order
    int m_nSatellitesUsed;
    int m_nSatellitesInView;
    UDF_SIGNAL_STATUS m_SignalStatus;
    double m_dHeading;        // radians, counter-clockwise from east
    double m_dSpeed;          // metres per second over ground
    bool m_bPosition;         // a new fix: position, satellites used, quality, UTC time
    bool m_bMotion;           // heading and speed are valid
    bool m_bDOP;              // DOP values are valid
    bool m_bSatellitesInView; // a complete satellite cycle has been received
    bool m_bSatellites;       // the satellite table was updated
    bool m_bProprietary;      // m_szProprietary holds an unrecognised message
    bool m_bErrorEstimate;    // the three error estimates are valid
    double m_dUTCTime;        // UTC time of day of the fix, seconds since midnight
    double m_dNorth;          // offset from the motion origin, metres
    double m_dEast;
    char m_szProprietary[79]; // first characters of the message; not terminated when full
    CGPSStatusData m_Status;
};

// One satellite of a raw epoch.
class FIXORA_API CGPSSatelliteDataRaw
{
public:
    CGPSSatelliteDataRaw() { Clear(); }

    // All fields zero/false.
    void Clear();

    int m_nPRN;
    int m_nTag;             // the measurement's tag word divided by 500
    double m_dPseudorange;  // metres
    double m_dCarrierPhase; // cycles
    double m_dDoppler;      // Hz
    double m_dSpare1;
    double m_dSpare2;
    bool m_bValid; // the slot holds a measurement
};

// One epoch of raw measurements: the navigation solution of the epoch and up to eleven
// satellites (slots 0..m_nNumSV-1).
class FIXORA_API CGPSDataRaw
{
public:
    CGPSDataRaw();

    // Zeroes everything except m_Time and clears every slot.
    void Clear();
    int GetNumSV() const { return m_nNumSV; }
    // Copies slot nIndex into data; false (data untouched) when nIndex is not in 0..m_nNumSV-1.
    bool GetSatelliteData(CGPSSatelliteDataRaw& data, int nIndex) const;
    // Adds the record's satellite or updates its slot. Refused (false, nothing changed) for a
    // satellite number below 1 and whenever eleven satellites are held, even for one of them.
    bool AddSatelliteData(const DataRecord_G12_MBN& record);
    // As above for a C/A-code record: updates only the PRN, phase and Doppler of the slot, with
    // the phase and Doppler in the record's own sign.
    bool AddSatelliteData(const DataRecord_G12_MCA& record);

    // The table holds at most this many satellites although it has twelve slots.
    static constexpr int MaxSatellites = 11;

    GPSTime32 m_Time;    // stamped on the published copy
    double m_dLatitude;  // navigation position, degrees
    double m_dLongitude; // degrees
    double m_dHeight;    // ellipsoidal height, metres
    double m_dSpare;
    bool m_bPosition; // navigation values are valid
    bool m_bSpare;
    bool m_bEpochComplete;   // the last measurement record of the epoch has been seen
    double m_dReceiverTime;  // seconds of the GPS week
    double m_dCorrectedTime; // receiver time less the clock offset over the speed of light
    double m_dClockOffset;   // metres
    double m_dClockDrift;    // metres per second
    int m_nGPSWeek;          // filled on publication
    CGPSSatelliteDataRaw m_Satellites[12];
    int m_nNumSV; // slots in use

private:
    // Index of nPRN's slot (its own, else the next free one); -1 when the record is refused.
    int SlotIndex(int nPRN) const;
};

// One satellite's broadcast ephemeris in the GPS interface parameter set. Angles here are
// semicircles, as broadcast.
class FIXORA_API CGPSDataEphemeris
{
public:
    CGPSDataEphemeris() = default;

    std::int16_t m_nPRN = 0;  // satellite number, 1-based
    std::int16_t m_nWeek = 0; // GPS week; below 1 means no ephemeris is held
    int m_nTOW = 0;           // time of week of the message, seconds
    double m_dTGD = 0.0;      // group delay, seconds
    int m_nAODC = 0;          // issue of clock data
    int m_nTOC = 0;           // clock reference time, seconds
    double m_dAF2 = 0.0;      // clock drift rate
    double m_dAF1 = 0.0;      // clock drift
    double m_dAF0 = 0.0;      // clock bias
    int m_nAODE = 0;          // issue of ephemeris data
    double m_dDeltaN = 0.0;   // mean motion difference, semicircles/s
    double m_dM0 = 0.0;       // mean anomaly, semicircles
    double m_dE = 0.0;        // eccentricity
    double m_dRootA = 0.0;    // square root of the semi-major axis, sqrt(m)
    int m_nTOE = 0;           // ephemeris reference time, seconds
    double m_dCic = 0.0;      // harmonic correction terms
    double m_dCrc = 0.0;
    double m_dCis = 0.0;
    double m_dCrs = 0.0;
    double m_dCuc = 0.0;
    double m_dCus = 0.0;
    double m_dOmega0 = 0.0;   // longitude of ascending node, semicircles
    double m_dOmega = 0.0;    // argument of perigee, semicircles
    double m_dI0 = 0.0;       // inclination, semicircles
    double m_dOmegaDot = 0.0; // rate of right ascension, semicircles/s
    double m_dIDot = 0.0;     // rate of inclination, semicircles/s
};
