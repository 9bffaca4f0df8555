// Ashtech family: identities and capabilities, and the Sokkia Axis output setup.
#include "models/Ashtech.h"

#include "models/ModelIdentity.h"

IMPLEMENT_RECEIVER_MODEL(CAshtech, EReceiverModel::Ashtech)
IMPLEMENT_RECEIVER_MODEL(CCSI, EReceiverModel::CSI)
IMPLEMENT_RECEIVER_MODEL(CRacal, EReceiverModel::Racal)
IMPLEMENT_RECEIVER_MODEL(CStarlink, EReceiverModel::Starlink)
IMPLEMENT_RECEIVER_MODEL(CSokkia, EReceiverModel::Sokkia)

// ---- CAshtech -------------------------------------------------------------------------------

bool CAshtech::HasRawData()
{
    return true;
}

bool CAshtech::ImplementsSetNmea()
{
    return true;
}

// ---- CCSI -----------------------------------------------------------------------------------

bool CCSI::ImplementsQueryNmea()
{
    return true;
}

bool CCSI::ImplementsQueryGpsSettings()
{
    return true;
}

bool CCSI::ImplementsBeacon()
{
    return true;
}

bool CCSI::ImplementsSetElevMask()
{
    return true;
}

bool CCSI::ImplementsResetAll()
{
    return true;
}

// ---- CRacal ---------------------------------------------------------------------------------

bool CRacal::GGASendsOrthoHeight()
{
    return true;
}

// ---- CStarlink ------------------------------------------------------------------------------

bool CStarlink::ImplementsQueryNmea()
{
    return true;
}

bool CStarlink::ImplementsBeacon()
{
    return true;
}

bool CStarlink::ImplementsSetElevMask()
{
    return true;
}

bool CStarlink::ImplementsSetNmea()
{
    return true;
}

bool CStarlink::ImplementsResetAll()
{
    return true;
}

bool CStarlink::GGASendsOrthoHeight()
{
    return true;
}

// ---- CSokkia --------------------------------------------------------------------------------

bool CSokkia::Initialize()
{
    if (!CDOZOzoeiver::Initialize())
    {
        return false;
    }
    // The port was just opened (or is the host's): written without asking whether it is open.
    m_Port.Write(CString(L"$PMCAG,008,15,,,,,,,,,,5,,,,,\r\n"));
    Sleep(500);
    return true;
}

bool CSokkia::ImplementsBeacon()
{
    return true;
}

bool CSokkia::ImplementsSetElevMask()
{
    return true;
}

bool CSokkia::ImplementsSetNmea()
{
    return true;
}
