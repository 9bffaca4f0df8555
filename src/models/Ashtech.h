// The Ashtech command family: CAshtech with the CSI and Racal models built on it, Starlink, and
// the first Sokkia Axis. Their rows in the catalogue hold their commands; CAshtech reports raw
// data through the receiver base's raw output control.
#pragma once

#include "models/CatalogueModel.h"

// "Ashtech", 9600 baud: raw data, NMEA selection.
class FIXORA_API CAshtech : public CCatalogueModel
{
    DECLARE_DYNAMIC(CAshtech)

public:
    CAshtech();

protected:
    explicit CAshtech(EReceiverModel eModel);
};

// "CSI", 9600 baud: as CAshtech, plus NMEA and settings queries, beacon, elevation mask, reset.
class FIXORA_API CCSI : public CAshtech
{
    DECLARE_DYNAMIC(CCSI)

public:
    CCSI();
    // The parameter listing, which answers the NMEA, settings and elevation-mask queries.
    void QueryPAR();
};

// "Racal", 9600 baud: as CAshtech; its GGA altitude is orthometric.
class FIXORA_API CRacal : public CAshtech
{
    DECLARE_DYNAMIC(CRacal)

public:
    CRacal();
};

// "Starlink", 9600 baud: NMEA query and selection, beacon, elevation mask, reset; orthometric GGA.
class FIXORA_API CStarlink : public CCatalogueModel
{
    DECLARE_DYNAMIC(CStarlink)

public:
    CStarlink();
    // The parameter listing, which answers the NMEA and elevation-mask queries.
    void QueryPAR();
    // Clears the receiver's settings, then selects the default sentences again.
    bool ResetAll(bool bShowWait) override;
};

// "Sokkia Axis", 9600 baud: beacon, elevation mask, NMEA selection. Initialize sets the
// receiver's output up once the port is open.
class FIXORA_API CSokkia : public CCatalogueModel
{
    DECLARE_DYNAMIC(CSokkia)

public:
    CSokkia();
};
