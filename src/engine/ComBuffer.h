// CComBuffer: the host's copy of the message texts the engine delivers, and the switch that
// gates posting each text to the host window. Collection stops by itself once the text has grown
// past 100000 characters.
#pragma once

#include "platform/Framework.h"

#include <atomic>
#include <mutex>

class FIXORA_API CComBuffer
{
public:
    CComBuffer() = default;
    CComBuffer(const CComBuffer& other);
    CComBuffer& operator=(const CComBuffer& other);
    ~CComBuffer();

    // Appends one message text while collection is on; the caller keeps the message.
    void OnRawData(CString* pMessage);

    // The collected text, read under the buffer's lock (the acquisition thread appends to it).
    CString GetText() const;
    // Empties the collected text and clears the overflow mark.
    void Reset();

    static constexpr int MaxTextLength = 100000;

    CString m_strText;                  // every delivered text, in order, while collecting
    CString m_strAux;                   // copied with the object, never filled by the library
    std::atomic<bool> m_bStopped{true}; // collection (and posting to the host) off
    std::atomic<bool> m_bOverflow{false};

private:
    mutable std::mutex m_Mutex;
};
