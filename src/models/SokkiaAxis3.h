// The Axis3 command family: the Sokkia Axis3 and the CSI MAX, which speaks the same "$J" language.
// Their rows hold the queries and setters; the binary raw output, which also sets the library's
// raw interval, is code of its own.
#pragma once

#include "models/CatalogueModel.h"

// "Sokkia Axis3", 9600 baud: binary raw data, NMEA query and selection, beacon, elevation mask,
// differential source and L-band. Initialize gives the receiver a moment after the port opens.
class FIXORA_API CSokkiaAxis3 : public CCatalogueModel
{
    DECLARE_DYNAMIC(CSokkiaAxis3)

public:
    CSokkiaAxis3();

    // Switches the binary raw blocks (messages 95 and 96) on or off and saves the setting. On
    // at a rate of exactly 5 runs them every 0.2 s, at any other rate every second.
    void SetRawDataOutput(bool bEnable, int nRate);
    // The status listing, which answers the NMEA, elevation-mask and differential queries.
    void QueryJSHOW();

    // Raw output at the one-second rate.
    bool EnablePostProcessing(bool bEnable) override;
    // Always switches raw output on: 5 to 6 s (truncated to 5) selects 0.2 s, anything else 1 s.
    bool SetRawDataOutputInterval(double dSeconds) override;

protected:
    explicit CSokkiaAxis3(EReceiverModel eModel);
};

// "CSI - MAX", 9600 baud: everything as CSokkiaAxis3.
class FIXORA_API CCSImax : public CSokkiaAxis3
{
    DECLARE_DYNAMIC(CCSImax)

public:
    CCSImax();
};
