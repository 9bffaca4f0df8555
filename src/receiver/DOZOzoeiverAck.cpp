// Receiver base: the acknowledged write of the command sets.
#include "port/Ack.h"
#include "receiver/DOZOzoeiver.h"

bool CDOZOzoeiver::WriteAck(const CString& strCommand, bool bWait, int nMilliseconds)
{
    // Written as given: callers end their commands with "\r\n" themselves.
    if (!m_Port.Write(strCommand))
    {
        return false;
    }
    if (!bWait)
    {
        Sleep(nMilliseconds > 0 ? static_cast<DWORD>(nMilliseconds) : 0);
        return true;
    }
    CAck ack;
    if (!ack.Create(CAck::IDD, nullptr))
    {
        return false;
    }
    const bool bAcknowledged = ack.Wait(nMilliseconds);
    ack.DestroyWindow();
    return bAcknowledged;
}
