// CSerialPort: the one serial (COM) port that the receivers open, configure and write their
// commands to. The acquisition thread reads it directly through GetHandle(); the blocking reads
// below are for hosts that talk to a device themselves.
#pragma once

#include "platform/Comm.h" // the serial calls, and which device a port number opens
#include "platform/Framework.h"

#include <mutex>
#include <vector>

class FIXORA_API CSerialPort
{
public:
    CSerialPort();
    // Does not close the port: whoever opened it closes it.
    virtual ~CSerialPort();
    // One object owns one open device.
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // ---- settings: kept while closed, applied at once while open ---------------------------
    // The setters that apply return false when the open port refused the settings (the port
    // and the object then keep their previous ones); while closed they only store and return
    // true.
    void SetPort(int nPort);
    // Rates of 0 or below are not taken (the previous rate stays, and the result is false).
    bool SetBaudRate(int nBaudRate);
    // Bits: 0x01 DSR/DTR, 0x02 CTS/RTS, 0x04 XON/XOFF.
    bool SetHandshake(BYTE byHandshake);
    // 0 none, 1 odd, 2 even, 3 mark, 4 space.
    bool SetParity(int nParity);
    // 0 one, 1 one and a half, 2 two.
    bool SetStopBits(BYTE byStopBits);
    // 0 = automatic: 7 with parity, 8 without.
    bool SetDataBits(BYTE byDataBits);
    BYTE GetDataBits() const;
    // First-byte time-out of the blocking reads in ms; raised to 10 if smaller.
    void SetTimeout(DWORD dwTimeout);
    HANDLE GetHandle() const { return m_hComm; }

    // ---- port ----------------------------------------------------------------------------
    // Bytes in the input queue; 0 when closed or when the device reports a line error (asking
    // clears it).
    virtual int BytesWaiting();
    virtual bool PurgeInput();
    virtual bool IsOpen() const;
    // Open, but its device has gone (unplugged, hung up), as the port's last read or write found
    // at the latest: every read and write fails until the port is closed and opened again.
    virtual bool IsDeviceGone() const;
    // Opens "COMn:" (n up to 9) or "\\.\COMn" and applies the settings. True at once if already
    // open, whatever SetPort said since.
    virtual bool Open();
    virtual bool Close();

    // ---- writing: true only when every byte was taken -------------------------------------
    // One write at a time: a command line from one thread is never cut by another thread's.
    // A text command of at most 512 characters, one byte per character.
    virtual bool Write(const CString& strText);
    // At most 512 bytes.
    virtual bool Write(const std::vector<char>& data);
    virtual bool WriteByte(char c);
    // Any length.
    virtual bool Write(const void* pData, DWORD nCount);
    virtual bool SetBreak();
    virtual bool ClearBreak();

    // ---- blocking reads -------------------------------------------------------------------
    // bCancel is looked at before each read step; set it to make the next step give up.
    // One burst: up to the time-out for the first byte, then what follows within 10 ms (up to
    // 4096 more bytes). The text stops at the first zero byte.
    virtual bool ReadText(CString& strText, const bool& bCancel);
    virtual bool ReadArray(std::vector<char>& data, const bool& bCancel);
    // Waits up to nMilliseconds for byte c; other bytes are consumed and dropped.
    virtual bool WaitForByte(char c, DWORD nMilliseconds);
    // One byte, waiting at most 10 ms.
    virtual bool ReadByte(char* pByte);
    // Up to nCount bytes with an interval time-out of the port's time-out and a total of that
    // plus 10 ms a byte; *pRead = bytes read. False when closed, cancelled or the device failed.
    virtual bool Read(char* pBuf, DWORD nCount, DWORD* pRead, const bool& bCancel);
    // Reads until cStop (cStop 0: until any byte), until nIdle ms pass without a byte, or at
    // most max(nIdle, 10000) ms; returns the first byte received, or 0.
    virtual char ReadUntil(char cStop, DWORD nIdle);
    // Reads until strMarker (or strAltMarker) followed by one of strTerminators has arrived,
    // within the time-out plus 500 ms; with an empty marker, ReadUntilAny.
    virtual bool ReadResponse(CString& strText, const bool& bCancel, CString strTerminators,
                              CString strMarker, CString strAltMarker);
    // Reads until one of strTerminators arrives (the text ends with it) or the time-out has
    // passed since the call began. Zero bytes are not collected.
    virtual bool ReadUntilAny(CString& strText, const bool& bCancel, CString strTerminators);

protected:
    DCB m_Dcb;
    DWORD m_dwBaudRate = 4800;
    BYTE m_byHandshake = 0;
    int m_nComPort = 1;
    int m_nParity = 0;
    BYTE m_byStopBits = 0;
    BYTE m_byDataBits = 0;
    HANDLE m_hComm = INVALID_HANDLE_VALUE;
    DWORD m_dwTimeout = 1000;
    CString m_strDevice;
    std::mutex m_WriteMutex;

private:
    // Writes every byte while no other write runs.
    bool WriteWhole(const void* pData, DWORD nCount);
    bool ApplySettings();
    // Stores value in setting and applies the settings; on a refusal, setting is put back.
    template <class T> bool ApplyOrKeep(T& setting, T value);
    // Sets the read time-outs of the port, keeping its write time-outs.
    bool SetReadTimeouts(DWORD dwInterval, DWORD dwMultiplier, DWORD dwConstant);
    // Returns as soon as one byte is there, or after dwWait ms without one: the byte count read.
    DWORD ReadFirstBytes(char* pBuf, DWORD nCount, DWORD dwWait);
};
