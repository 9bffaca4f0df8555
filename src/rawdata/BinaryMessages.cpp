// Receiver base: binary messages handed to the host undecoded, as 16-bit words. The Axis3 family's
// "$BIN" blocks also keep the receiver's block 95 coming.
#include "rawdata/RawBinInterval.h"
#include "receiver/DOZOzoeiver.h"
#include "receiver/GPSMessages.h"

#include <algorithm>

namespace
{

constexpr int s_nBinHeader = 8;           // "$BIN", block number, data length
constexpr int s_nBinFraming = 12;         // header, checksum, CR LF
constexpr double s_dRequestSeconds = 3.0; // block 95 is asked for again every 3 s worth of blocks
constexpr DWORD s_dwRequestPause = 200;   // ms for the receiver to take the request

// Little-endian 16-bit words of the first 2 * nWords bytes.
void StoreWords(std::vector<WORD>& words, const char* pBytes, int nWords)
{
    words.resize(static_cast<std::size_t>(nWords));
    for (int i = 0; i < nWords; ++i)
    {
        const auto nLow = static_cast<unsigned char>(pBytes[2 * i]);
        const auto nHigh = static_cast<unsigned char>(pBytes[2 * i + 1]);
        words[static_cast<std::size_t>(i)] = static_cast<WORD>(nLow | (nHigh << 8));
    }
}

} // namespace

bool CDOZOzoeiver::GetBinaryMessage(std::vector<WORD>& words)
{
    std::lock_guard lock(m_BinaryMessageMutex);
    if (m_UnreadBinaryMessages.empty())
    {
        words.clear();
        return false;
    }
    words = std::move(m_UnreadBinaryMessages.front());
    m_UnreadBinaryMessages.pop_front();
    return true;
}

void CDOZOzoeiver::AnnounceBinaryMessage()
{
    CWnd* pMainWnd = AfxGetMainWnd();
    const HWND hWnd = pMainWnd != nullptr ? pMainWnd->GetSafeHwnd() : nullptr;
    if (hWnd == nullptr)
    {
        return; // nobody to read it: the words stay in m_BinaryMessage only
    }
    // Queued before the post: the host's thread may read it before PostMessageW returns.
    if (m_UnreadBinaryMessages.size() == MaxUnreadBinaryMessages)
    {
        m_UnreadBinaryMessages.pop_front(); // a host that does not read loses the oldest
    }
    m_UnreadBinaryMessages.push_back(m_BinaryMessage);
    if (PostMessageW(hWnd, WM_GPS_BINARYMSG, 0, 0) == FALSE)
    {
        m_UnreadBinaryMessages.pop_back();
    }
}

bool CDOZOzoeiver::ProcessBIN()
{
    int nLength = 0;
    const char* pBytes = m_GPSMessageRaw.GetMessageBin(nLength);
    if (pBytes == nullptr)
    {
        return false;
    }
    {
        std::lock_guard lock(m_BinaryMessageMutex);
        m_BinaryMessage.clear();
        // The data length is the header's last word; a message too short for it declares none.
        int nDataLength = 0;
        if (nLength >= s_nBinHeader)
        {
            nDataLength = static_cast<unsigned char>(pBytes[6]) |
                          (static_cast<unsigned char>(pBytes[7]) << 8);
        }
        const int nWords = (nDataLength + s_nBinFraming) / 2;
        if (nLength < s_nBinHeader || 2 * nWords > nLength)
        {
            return false;
        }
        StoreWords(m_BinaryMessage, pBytes, nWords);
        AnnounceBinaryMessage();
    }
    ++m_nRawMessages;

    const double dInterval = g_dRawBinInterval;
    const int nEvery = std::max(1, static_cast<int>(s_dRequestSeconds / dInterval));
    if (m_nRawMessages % nEvery == 0)
    {
        m_Port.Write(CString(GetMessage95Request()));
        Sleep(s_dwRequestPause);
    }
    return true;
}

bool CDOZOzoeiver::ProcessAxis4BIN()
{
    int nLength = 0;
    const char* pBytes = m_GPSMessageRaw.GetMessageBin(nLength);
    if (pBytes == nullptr)
    {
        return false;
    }
    {
        std::lock_guard lock(m_BinaryMessageMutex);
        StoreWords(m_BinaryMessage, pBytes, nLength / 2);
        AnnounceBinaryMessage();
    }
    return true;
}
