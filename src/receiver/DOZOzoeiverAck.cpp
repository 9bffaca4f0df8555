// Receiver base: the acknowledged write of the command sets.
#include "port/Ack.h"
#include "receiver/DOZOzoeiver.h"

#include <optional>

bool CDOZOzoeiver::WriteAck(const CString& strCommand, bool bWait, int nMilliseconds)
{
    // The wait starts listening before the command goes out: a receiver behind a fast link can
    // acknowledge before the line after the write has run, and a CAck made only then would
    // forget that acknowledgement and wait out its time.
    std::optional<CAck> ack;
    if (bWait)
    {
        ack.emplace();
    }
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
    if (!ack->Create(CAck::IDD, nullptr))
    {
        return false;
    }
    const bool bAcknowledged = ack->Wait(nMilliseconds);
    ack->DestroyWindow();
    return bAcknowledged;
}
