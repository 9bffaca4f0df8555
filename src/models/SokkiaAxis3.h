// The Axis3 command family: the Sokkia Axis3 and the CSI MAX, which speaks the same language.
#pragma once

#include "receiver/DOZOzoeiver.h"

// "Sokkia Axis3", 9600 baud: raw data, NMEA query and selection, beacon, elevation mask,
// differential source. Initialize gives the receiver a moment after the port opens.
class FIXORA_API CSokkiaAxis3 : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(CSokkiaAxis3)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool Initialize() override;
    bool HasRawData() override;
    bool ImplementsQueryNmea() override;
    bool ImplementsBeacon() override;
    bool ImplementsSetElevMask() override;
    bool ImplementsSetNmea() override;
    bool HasDGPSSupport() const override;
};

// "CSI - MAX", 9600 baud: everything as CSokkiaAxis3.
class FIXORA_API CCSImax : public CSokkiaAxis3
{
    DECLARE_DYNAMIC(CCSImax)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool HasDGPSSupport() const override;
};
