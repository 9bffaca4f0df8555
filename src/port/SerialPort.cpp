#include "SerialPort.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>
#include <string>

namespace
{

constexpr int s_nMaxCommandLength = 512;
constexpr DWORD s_dwBurstBytes = 4096;
constexpr DWORD s_dwResponseChunk = 409;

// Appends received bytes to a text, one character per byte; zero bytes cannot be part of a
// text and are left out.
void AppendBytes(CString& strText, const char* pBytes, DWORD nCount)
{
    std::string bytes;
    bytes.reserve(nCount);
    std::copy_if(pBytes, pBytes + nCount, std::back_inserter(bytes), [](char c) { return c != 0; });
    strText += bytes.c_str();
}

bool IsOneOf(char c, const CString& strSet)
{
    return c != 0 && strSet.Find(static_cast<wchar_t>(static_cast<unsigned char>(c))) >= 0;
}

// True when the text holds strMarker directly followed by one of strTerminators.
bool HasMarkedEnd(const CString& strText, const CString& strMarker, const CString& strTerminators)
{
    if (strMarker.IsEmpty())
    {
        return false;
    }
    for (int nPos = strText.Find(strMarker.GetString()); nPos >= 0;
         nPos = strText.Find(strMarker.GetString(), nPos + 1))
    {
        const int nAfter = nPos + strMarker.GetLength();
        if (nAfter < strText.GetLength() && strTerminators.Find(strText[nAfter]) >= 0)
        {
            return true;
        }
    }
    return false;
}

DWORD ElapsedSince(DWORD dwStart)
{
    return GetTickCount() - dwStart; // unsigned: right across the tick count's wrap-around
}

} // namespace

CSerialPort::CSerialPort() : m_Dcb{}
{
    m_Dcb.DCBlength = sizeof(DCB);
}

CSerialPort::~CSerialPort() = default;

// ---- settings ---------------------------------------------------------------------------------

void CSerialPort::SetPort(int nPort)
{
    m_nComPort = nPort;
}

template <class T> bool CSerialPort::ApplyOrKeep(T& setting, T value)
{
    const T previous = setting;
    setting = value;
    if (ApplySettings())
    {
        return true;
    }
    // The open port kept its previous line settings; so does the object, or every later
    // setting would carry the refused one along and fail with it.
    setting = previous;
    return false;
}

bool CSerialPort::SetBaudRate(int nBaudRate)
{
    return nBaudRate > 0 && ApplyOrKeep(m_dwBaudRate, static_cast<DWORD>(nBaudRate));
}

bool CSerialPort::SetHandshake(BYTE byHandshake)
{
    return ApplyOrKeep(m_byHandshake, byHandshake);
}

bool CSerialPort::SetParity(int nParity)
{
    return ApplyOrKeep(m_nParity, nParity);
}

bool CSerialPort::SetStopBits(BYTE byStopBits)
{
    return ApplyOrKeep(m_byStopBits, byStopBits);
}

bool CSerialPort::SetDataBits(BYTE byDataBits)
{
    return ApplyOrKeep(m_byDataBits, byDataBits);
}

BYTE CSerialPort::GetDataBits() const
{
    if (m_byDataBits != 0)
    {
        return m_byDataBits;
    }
    return m_nParity != 0 ? 7 : 8;
}

void CSerialPort::SetTimeout(DWORD dwTimeout)
{
    m_dwTimeout = std::max<DWORD>(dwTimeout, 10);
}

bool CSerialPort::ApplySettings()
{
    if (!IsOpen())
    {
        return true;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(m_hComm, &dcb))
    {
        return false;
    }
    dcb.BaudRate = m_dwBaudRate;
    dcb.ByteSize = GetDataBits();
    // A code that does not fit the record's byte must not wrap around into a valid one.
    dcb.Parity = m_nParity >= 0 && m_nParity <= 0xFF ? static_cast<BYTE>(m_nParity) : 0xFF;
    dcb.StopBits = m_byStopBits;

    const bool bDsrDtr = (m_byHandshake & 0x01) != 0;
    dcb.fOutxDsrFlow = bDsrDtr ? 1 : 0;
    dcb.fDtrControl = bDsrDtr ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_ENABLE;

    const bool bCtsRts = (m_byHandshake & 0x02) != 0;
    dcb.fOutxCtsFlow = bCtsRts ? 1 : 0;
    dcb.fRtsControl = bCtsRts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;

    const bool bXonXoff = (m_byHandshake & 0x04) != 0;
    dcb.fOutX = bXonXoff ? 1 : 0;
    dcb.fInX = bXonXoff ? 1 : 0;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.XonLim = 128;
    dcb.XoffLim = 10;

    dcb.fBinary = 1;
    dcb.fParity = m_nParity != 0 ? 1 : 0;
    dcb.fDsrSensitivity = 0;
    dcb.fNull = 0;
    dcb.fErrorChar = 0;
    dcb.fAbortOnError = 0;
    // Kept only once the port took it: a refused block must not pass for the port's own.
    if (!SetCommState(m_hComm, &dcb))
    {
        return false;
    }
    m_Dcb = dcb;
    return true;
}

bool CSerialPort::SetReadTimeouts(DWORD dwInterval, DWORD dwMultiplier, DWORD dwConstant)
{
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(m_hComm, &timeouts))
    {
        return false;
    }
    timeouts.ReadIntervalTimeout = dwInterval;
    timeouts.ReadTotalTimeoutMultiplier = dwMultiplier;
    timeouts.ReadTotalTimeoutConstant = dwConstant;
    return SetCommTimeouts(m_hComm, &timeouts) != FALSE;
}

DWORD CSerialPort::ReadFirstBytes(char* pBuf, DWORD nCount, DWORD dwWait)
{
    // The acquisition thread's read too: it returns as soon as a byte is there, with whatever
    // else is waiting, or empty after dwWait.
    DWORD nRead = 0;
    const DWORD dwResult =
        ReadCommOrWait(m_hComm, pBuf, nCount, nRead, nullptr, std::max<DWORD>(dwWait, 1));
    return dwResult == WAIT_OBJECT_0 ? nRead : 0;
}

// ---- port -------------------------------------------------------------------------------------

int CSerialPort::BytesWaiting()
{
    if (!IsOpen())
    {
        return 0;
    }
    DWORD dwErrors = 0;
    COMSTAT stat{};
    if (!ClearCommError(m_hComm, &dwErrors, &stat) || dwErrors != 0)
    {
        return 0;
    }
    return static_cast<int>(std::min<DWORD>(stat.cbInQue, INT_MAX));
}

bool CSerialPort::PurgeInput()
{
    return IsOpen() && PurgeComm(m_hComm, PURGE_RXABORT | PURGE_RXCLEAR) != FALSE;
}

bool CSerialPort::IsOpen() const
{
    return m_hComm != INVALID_HANDLE_VALUE;
}

bool CSerialPort::IsDeviceGone() const
{
    // Reading the settings changes nothing on the line, unlike asking for its errors.
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    return IsOpen() && !GetCommState(m_hComm, &dcb);
}

bool CSerialPort::Open()
{
    if (IsOpen())
    {
        return true;
    }
    if (m_nComPort <= 9)
    {
        m_strDevice.Format(L"COM%d:", m_nComPort);
    }
    else
    {
        m_strDevice.Format(L"\\\\.\\COM%d", m_nComPort);
    }
    HANDLE hComm = CreateFileW(m_strDevice, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hComm == INVALID_HANDLE_VALUE)
    {
        return false;
    }
    m_hComm = hComm;
    ApplySettings();
    SetCommMask(m_hComm, EV_RXCHAR | EV_TXEMPTY);
    SetupComm(m_hComm, 4096, 4096);
    Sleep(10);
    PurgeInput();
    return true;
}

bool CSerialPort::Close()
{
    if (!IsOpen())
    {
        m_strDevice.Empty();
        return false;
    }
    const bool bClosed = CloseHandle(m_hComm) != FALSE;
    if (bClosed)
    {
        m_hComm = INVALID_HANDLE_VALUE;
    }
    m_strDevice.Empty();
    return bClosed;
}

// ---- writing ----------------------------------------------------------------------------------

bool CSerialPort::Write(const CString& strText)
{
    if (!IsOpen() || strText.GetLength() > s_nMaxCommandLength)
    {
        return false;
    }
    // Commands are plain ASCII; each character goes out as its low byte.
    const std::string bytes = strText.ToNarrow();
    return WriteWhole(bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool CSerialPort::Write(const std::vector<char>& data)
{
    if (!IsOpen() || data.size() > static_cast<std::size_t>(s_nMaxCommandLength))
    {
        return false;
    }
    return WriteWhole(data.data(), static_cast<DWORD>(data.size()));
}

bool CSerialPort::WriteByte(char c)
{
    return IsOpen() && WriteWhole(&c, 1);
}

bool CSerialPort::Write(const void* pData, DWORD nCount)
{
    if (!IsOpen() || (pData == nullptr && nCount != 0))
    {
        return false;
    }
    return WriteWhole(pData, nCount);
}

bool CSerialPort::WriteWhole(const void* pData, DWORD nCount)
{
    std::lock_guard lock(m_WriteMutex);
    DWORD nWritten = 0;
    return WriteFile(m_hComm, pData, nCount, &nWritten, nullptr) != FALSE && nWritten == nCount;
}

bool CSerialPort::SetBreak()
{
    return IsOpen() && SetCommBreak(m_hComm) != FALSE;
}

bool CSerialPort::ClearBreak()
{
    return IsOpen() && ClearCommBreak(m_hComm) != FALSE;
}

// ---- blocking reads ---------------------------------------------------------------------------

bool CSerialPort::ReadText(CString& strText, const bool& bCancel)
{
    strText.Empty();
    std::vector<char> data;
    if (!ReadArray(data, bCancel))
    {
        return false;
    }
    // The text stops at the first zero byte.
    strText = CString(data.data(), static_cast<int>(data.size()));
    return true;
}

bool CSerialPort::ReadArray(std::vector<char>& data, const bool& bCancel)
{
    data.clear();
    if (!IsOpen() || bCancel)
    {
        return false;
    }
    std::vector<char> buffer(1 + s_dwBurstBytes);
    if (ReadFirstBytes(buffer.data(), 1, m_dwTimeout) != 1)
    {
        return false;
    }
    DWORD nMore = 0;
    if (!bCancel && SetReadTimeouts(0, 0, 10))
    {
        if (!ReadFile(m_hComm, buffer.data() + 1, s_dwBurstBytes, &nMore, nullptr))
        {
            nMore = 0;
        }
    }
    data.assign(buffer.begin(), buffer.begin() + 1 + nMore);
    return true;
}

bool CSerialPort::WaitForByte(char c, DWORD nMilliseconds)
{
    if (!IsOpen())
    {
        return false;
    }
    const DWORD dwStart = GetTickCount();
    for (;;)
    {
        char byte = 0;
        if (ReadByte(&byte))
        {
            if (byte == c)
            {
                return true;
            }
        }
        else
        {
            Sleep(1);
        }
        if (ElapsedSince(dwStart) >= nMilliseconds)
        {
            return false;
        }
    }
}

bool CSerialPort::ReadByte(char* pByte)
{
    return IsOpen() && pByte != nullptr && ReadFirstBytes(pByte, 1, 10) == 1;
}

bool CSerialPort::Read(char* pBuf, DWORD nCount, DWORD* pRead, const bool& bCancel)
{
    if (pRead != nullptr)
    {
        *pRead = 0;
    }
    if (nCount == 0)
    {
        return true;
    }
    if (!IsOpen() || pBuf == nullptr || bCancel)
    {
        return false;
    }
    if (!SetReadTimeouts(m_dwTimeout, 10, m_dwTimeout))
    {
        return false;
    }
    DWORD nFirst = 0;
    if (!ReadFile(m_hComm, pBuf, 1, &nFirst, nullptr))
    {
        return false;
    }
    DWORD nTotal = nFirst;
    BOOL bOk = TRUE;
    if (nFirst == 1 && nCount > 1 && !bCancel)
    {
        DWORD nRest = 0;
        bOk = ReadFile(m_hComm, pBuf + 1, nCount - 1, &nRest, nullptr);
        nTotal += nRest;
    }
    if (pRead != nullptr)
    {
        *pRead = nTotal;
    }
    return bOk != FALSE;
}

char CSerialPort::ReadUntil(char cStop, DWORD nIdle)
{
    if (!IsOpen() || !SetReadTimeouts(MAXDWORD, 0, 0))
    {
        return 0;
    }
    const DWORD dwStart = GetTickCount();
    const DWORD dwLimit = std::max<DWORD>(nIdle, 10000);
    DWORD dwLastByte = dwStart;
    char cFirst = 0;
    bool bAny = false;
    for (;;)
    {
        char byte = 0;
        DWORD nRead = 0;
        if (BytesWaiting() > 0 && ReadFile(m_hComm, &byte, 1, &nRead, nullptr) && nRead == 1)
        {
            if (!bAny)
            {
                cFirst = byte;
                bAny = true;
            }
            dwLastByte = GetTickCount();
            if (cStop == 0 || byte == cStop)
            {
                return cFirst;
            }
        }
        else
        {
            Sleep(1);
        }
        if (GetTickCount() - dwLastByte >= nIdle || ElapsedSince(dwStart) >= dwLimit)
        {
            return cFirst;
        }
    }
}

bool CSerialPort::ReadResponse(CString& strText, const bool& bCancel, CString strTerminators,
                               CString strMarker, CString strAltMarker)
{
    if (strMarker.IsEmpty())
    {
        return ReadUntilAny(strText, bCancel, strTerminators);
    }
    strText.Empty();
    if (!IsOpen() || bCancel)
    {
        return false;
    }
    const DWORD dwStart = GetTickCount();
    const std::uint64_t nLimit = std::uint64_t{m_dwTimeout} + 500;
    char buffer[s_dwResponseChunk];
    const DWORD nFirst = ReadFirstBytes(buffer, 1, m_dwTimeout);
    if (nFirst == 0)
    {
        return false;
    }
    AppendBytes(strText, buffer, nFirst);
    for (;;)
    {
        if (HasMarkedEnd(strText, strMarker, strTerminators) ||
            HasMarkedEnd(strText, strAltMarker, strTerminators))
        {
            return true;
        }
        const DWORD dwElapsed = ElapsedSince(dwStart);
        if (dwElapsed >= nLimit || bCancel || !IsOpen())
        {
            return false;
        }
        const auto dwWait = static_cast<DWORD>(std::min<std::uint64_t>(nLimit - dwElapsed, 100));
        const DWORD nRead = ReadFirstBytes(buffer, s_dwResponseChunk, dwWait);
        AppendBytes(strText, buffer, nRead);
    }
}

bool CSerialPort::ReadUntilAny(CString& strText, const bool& bCancel, CString strTerminators)
{
    strText.Empty();
    if (!IsOpen() || bCancel)
    {
        return false;
    }
    const DWORD dwStart = GetTickCount();
    std::vector<char> chunk;
    chunk.reserve(s_dwBurstBytes);
    const auto flush = [&]() {
        AppendBytes(strText, chunk.data(), static_cast<DWORD>(chunk.size()));
        chunk.clear();
    };
    DWORD dwWait = m_dwTimeout; // for the first byte; then 100 ms for each further one
    for (;;)
    {
        if (bCancel)
        {
            flush();
            return false;
        }
        char byte = 0;
        if (ReadFirstBytes(&byte, 1, dwWait) == 1)
        {
            dwWait = 100;
            chunk.push_back(byte);
            if (IsOneOf(byte, strTerminators))
            {
                flush();
                return true;
            }
            if (chunk.size() == s_dwBurstBytes)
            {
                flush();
            }
            continue;
        }
        Sleep(10);
        if (ElapsedSince(dwStart) >= m_dwTimeout)
        {
            flush();
            return false;
        }
    }
}
