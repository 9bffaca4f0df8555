// Axis3 family: identities, capabilities and the settle pause after the port opens.
#include "models/SokkiaAxis3.h"

#include "models/ModelIdentity.h"

IMPLEMENT_RECEIVER_MODEL(CSokkiaAxis3, EReceiverModel::SokkiaAxis3)
IMPLEMENT_RECEIVER_MODEL(CCSImax, EReceiverModel::CSImax)

// ---- CSokkiaAxis3 ---------------------------------------------------------------------------

bool CSokkiaAxis3::Initialize()
{
    if (!CDOZOzoeiver::Initialize())
    {
        return false;
    }
    // The receiver needs a moment after the port opens before it takes commands.
    Sleep(500);
    return true;
}

bool CSokkiaAxis3::HasRawData()
{
    return true;
}

bool CSokkiaAxis3::ImplementsQueryNmea()
{
    return true;
}

bool CSokkiaAxis3::ImplementsBeacon()
{
    return true;
}

bool CSokkiaAxis3::ImplementsSetElevMask()
{
    return true;
}

bool CSokkiaAxis3::ImplementsSetNmea()
{
    return true;
}

bool CSokkiaAxis3::HasDGPSSupport() const
{
    return true;
}

// ---- CCSImax --------------------------------------------------------------------------------

bool CCSImax::HasDGPSSupport() const
{
    return true;
}
