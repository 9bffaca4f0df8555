// The Ashtech command family: CAshtech with the CSI and Racal models built on it, Starlink, and
// the first Sokkia Axis. CAshtech reports raw data through the receiver base's raw output control.
#pragma once

#include "receiver/DOZOzoeiver.h"

// "Ashtech", 9600 baud: raw data, NMEA selection.
class FIXORA_API CAshtech : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(CAshtech)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool HasRawData() override;
    bool ImplementsSetNmea() override;
};

// "CSI", 9600 baud: as CAshtech, plus NMEA and settings queries, beacon, elevation mask, reset.
class FIXORA_API CCSI : public CAshtech
{
    DECLARE_DYNAMIC(CCSI)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool ImplementsQueryNmea() override;
    bool ImplementsQueryGpsSettings() override;
    bool ImplementsBeacon() override;
    bool ImplementsSetElevMask() override;
    bool ImplementsResetAll() override;
};

// "Racal", 9600 baud: as CAshtech; its GGA altitude is orthometric.
class FIXORA_API CRacal : public CAshtech
{
    DECLARE_DYNAMIC(CRacal)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool GGASendsOrthoHeight() override;
};

// "Starlink", 9600 baud: NMEA query and selection, beacon, elevation mask, reset; orthometric GGA.
class FIXORA_API CStarlink : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(CStarlink)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool ImplementsQueryNmea() override;
    bool ImplementsBeacon() override;
    bool ImplementsSetElevMask() override;
    bool ImplementsSetNmea() override;
    bool ImplementsResetAll() override;
    bool GGASendsOrthoHeight() override;
};

// "Sokkia Axis", 9600 baud: beacon, elevation mask, NMEA selection. Initialize sets the
// receiver's output up once the port is open.
class FIXORA_API CSokkia : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(CSokkia)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool Initialize() override;
    bool ImplementsBeacon() override;
    bool ImplementsSetElevMask() override;
    bool ImplementsSetNmea() override;
};
