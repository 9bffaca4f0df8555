// SiRF family: identities and capabilities.
#include "models/Sirf.h"

#include "models/ModelIdentity.h"

IMPLEMENT_RECEIVER_MODEL(CSirf, EReceiverModel::Sirf)
IMPLEMENT_RECEIVER_MODEL(CToughbookGPS01, EReceiverModel::ToughbookGPS01)
IMPLEMENT_RECEIVER_MODEL(CHolux, EReceiverModel::Holux)

// ---- CSirf ----------------------------------------------------------------------------------

bool CSirf::ImplementsSetNmea()
{
    return true;
}

bool CSirf::ImplementsResetAll()
{
    return true;
}

bool CSirf::HasDGPSSupport() const
{
    return true;
}

// ---- CHolux ---------------------------------------------------------------------------------

bool CHolux::HasDGPSSupport() const
{
    return true;
}
