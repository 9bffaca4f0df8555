// The SiRF family: receivers with a SiRF chip set. They send NMEA sentences that the receiver base
// parses; their commands go through the chip's binary protocol.
#pragma once

#include "models/CatalogueModel.h"

// "SiRF", 4800 baud.
class FIXORA_API CSirf : public CCatalogueModel
{
    DECLARE_DYNAMIC(CSirf)

public:
    CSirf();

protected:
    explicit CSirf(EReceiverModel eModel);
};

// "Toughbook GPS01", 4800 baud: everything as CSirf.
class FIXORA_API CToughbookGPS01 : public CSirf
{
    DECLARE_DYNAMIC(CToughbookGPS01)

public:
    CToughbookGPS01();
};

// "Holux", 4800 baud: everything as CSirf.
class FIXORA_API CHolux : public CSirf
{
    DECLARE_DYNAMIC(CHolux)

public:
    CHolux();
};
