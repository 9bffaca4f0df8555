// Switching a receiver's raw measurement output on and off, in the Ashtech command language that
// the base class speaks for every model reporting raw data without its own command set.
#include "receiver/DOZOzoeiver.h"

namespace
{

const wchar_t* const s_apszEnable[] = {L"$PASHS,RAW,MBN,A,ON\r\n", L"$PASHS,RAW,PBN,A,ON\r\n",
                                       L"$PASHS,RAW,SNV,A,ON\r\n"};
const wchar_t* const s_apszDisable[] = {L"$PASHS,RAW,MBN,A,OFF\r\n", L"$PASHS,RAW,PBN,A,OFF\r\n",
                                        L"$PASHS,RAW,SNV,A,OFF\r\n"};
constexpr DWORD s_dwCommandPause = 200; // ms for the receiver to take each command
constexpr double s_dMinInterval = 0.25; // seconds

} // namespace

bool CDOZOzoeiver::EnablePostProcessing(bool bEnable)
{
    if (!m_Port.IsOpen())
    {
        return false;
    }
    if (!HasRawData())
    {
        return true;
    }
    for (const wchar_t* pszCommand : bEnable ? s_apszEnable : s_apszDisable)
    {
        if (!m_Port.Write(CString(pszCommand)))
        {
            return false;
        }
        Sleep(s_dwCommandPause);
    }
    return true;
}

bool CDOZOzoeiver::SetRawDataOutputInterval(double dSeconds)
{
    m_dRawOutputInterval = dSeconds;
    if (!HasRawData())
    {
        return false;
    }
    // The first of the three external-setting predicates in the interface's order decides.
    if (IsExternalDriver())
    {
        return false;
    }
    if (dSeconds < s_dMinInterval)
    {
        return false;
    }
    CString strCommand;
    strCommand.Format(L"$PASHS,RCI,%-f\r\n", dSeconds);
    if (m_Port.IsOpen())
    {
        m_Port.Write(strCommand);
        Sleep(s_dwCommandPause);
    }
    return true;
}
