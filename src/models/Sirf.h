// The SiRF family: receivers with a SiRF chip set, driven through its binary protocol.
#pragma once

#include "receiver/DOZOzoeiver.h"

// "SiRF", 4800 baud: NMEA selection, reset, differential source.
class FIXORA_API CSirf : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(CSirf)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool ImplementsSetNmea() override;
    bool ImplementsResetAll() override;
    bool HasDGPSSupport() const override;
};

// "Toughbook GPS01", 4800 baud: everything as CSirf.
class FIXORA_API CToughbookGPS01 : public CSirf
{
    DECLARE_DYNAMIC(CToughbookGPS01)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
};

// "Holux", 4800 baud: everything as CSirf.
class FIXORA_API CHolux : public CSirf
{
    DECLARE_DYNAMIC(CHolux)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool HasDGPSSupport() const override;
};
