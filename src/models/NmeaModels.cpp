// Plain NMEA models: identities, the Leica output setup and the keep-alive line.
#include "models/NmeaModels.h"

#include "models/ModelIdentity.h"

IMPLEMENT_RECEIVER_MODEL(COmnistar, EReceiverModel::Omnistar)
IMPLEMENT_RECEIVER_MODEL(CCorvane, EReceiverModel::Corvane)
IMPLEMENT_RECEIVER_MODEL(CCorvanePocketGps, EReceiverModel::CorvanePocketGps)
IMPLEMENT_RECEIVER_MODEL(CLeica, EReceiverModel::Leica)
IMPLEMENT_RECEIVER_MODEL(CGarmin, EReceiverModel::Garmin)
IMPLEMENT_RECEIVER_MODEL(CJavad, EReceiverModel::Javad)
IMPLEMENT_RECEIVER_MODEL(CSatloc, EReceiverModel::Satloc)
IMPLEMENT_RECEIVER_MODEL(COtherGps, EReceiverModel::OtherGps)

namespace
{

// Receivers that fall asleep without traffic wake up on this line.
const wchar_t* const s_pszKeepAlive = L"VKR Orlo\r\n";

// Leica output selection: default rates off, then GGA, GSA and GSV on.
const wchar_t* const s_apszLeicaSetup[] = {
    L"$PMVXG,007,,1,,,,,\r\n",
    L"$PMVXG,007,GGA,0,1,,1,6,2\r\n",
    L"$PMVXG,007,GSA,0,1,,1,,,\r\n",
    L"$PMVXG,007,GSV,0,1,,5,,,\r\n",
};
constexpr DWORD s_dwLeicaPause = 200; // ms for the receiver to take each command

} // namespace

// ---- CCorvane -------------------------------------------------------------------------------

bool CCorvane::HasRawData()
{
    return false;
}

void CCorvane::KeepAlive()
{
    m_Port.Write(CString(s_pszKeepAlive));
}

// ---- CLeica ---------------------------------------------------------------------------------

bool CLeica::Initialize()
{
    if (!CDOZOzoeiver::Initialize())
    {
        return false;
    }
    // The port was just opened (or is the host's): written without asking whether it is open.
    for (const wchar_t* pszCommand : s_apszLeicaSetup)
    {
        m_Port.Write(CString(pszCommand));
        Sleep(s_dwLeicaPause);
    }
    return true;
}

void CLeica::KeepAlive()
{
    m_Port.Write(CString(s_pszKeepAlive));
}
