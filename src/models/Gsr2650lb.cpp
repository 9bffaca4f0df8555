// The OEM L-band board: identity and capabilities.
#include "models/Gsr2650lb.h"

#include "models/ModelIdentity.h"

IMPLEMENT_RECEIVER_MODEL(Cgsr2650lb, EReceiverModel::Gsr2650lb)

bool Cgsr2650lb::HasRawData()
{
    return true;
}

bool Cgsr2650lb::ImplementsQueryNmea()
{
    return true;
}

// The board answers settings and beacon queries, but the host is not to offer them.
bool Cgsr2650lb::ImplementsQueryGpsSettings()
{
    return false;
}

bool Cgsr2650lb::ImplementsBeacon()
{
    return false;
}

bool Cgsr2650lb::ImplementsSetElevMask()
{
    return true;
}

bool Cgsr2650lb::ImplementsSetNmea()
{
    return true;
}

bool Cgsr2650lb::ImplementsResetAll()
{
    return true;
}

bool Cgsr2650lb::HasDGPSSupport() const
{
    return true;
}
