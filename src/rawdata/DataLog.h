// CDataLog: the base of a host's raw-data log writers. It keeps the log's settings (file name,
// interval, antenna height, port, switch), forms default file names from the clock, and says
// whether the log is ready and how far it has come; a derived class writes the files.
#pragma once

#include "platform/Framework.h"

#include <cstdint>

class CGPSDataRaw;
class CGPSDataEphemeris;

class FIXORA_API CDataLog
{
public:
    explicit CDataLog(CWnd* pParent);
    CDataLog(const CDataLog& other) = default;
    CDataLog& operator=(const CDataLog& other) = default;
    virtual ~CDataLog();

    // ---- what a writer does: the library never calls these --------------------------------
    // Creates the log's files from the settings; false (with GetErrorText) when it cannot.
    virtual bool Open() = 0;
    // Completes and closes the files; a closed log does nothing.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Hands what was written to the files.
    virtual void Flush() = 0;

    // Appended to every file name, with its dot.
    virtual CString GetFileExtension() = 0;
    // A file name, an interval of at least 0.1 and logging switched on.
    virtual bool IsReady() const;

    // ---- what a writer does: the library never calls these --------------------------------
    // One raw epoch; false when it was not written (not open, between intervals, or a failure).
    virtual bool WriteEpoch(const CGPSDataRaw& epoch) = 0;
    // One satellite's ephemeris.
    virtual bool WriteEphemeris(const CGPSDataEphemeris& ephemeris) = 0;
    // The receiver's approximate position for the log's header: degrees and metres.
    virtual void SetApproximatePosition(double dLatitude, double dLongitude, double dHeight) = 0;
    virtual int GetNumEphemerides() const = 0;
    // A writer that failed (could not write its files) stops writing.
    virtual bool HasFailed() const = 0;

    virtual int GetNumEpochs() = 0;
    // "Num Epochs: n, Time: m min." from the string table.
    virtual CString GetStatusString();

    // ---- what a writer does: the library never calls these --------------------------------
    // Why Open failed, or the writing did.
    virtual CString GetErrorText() const = 0;
    // Every file the log writes, the observation file first.
    virtual CString GetFileList() const = 0;

    // ---- settings -----------------------------------------------------------------------------
    CString GetFilename() const { return m_strFilename; }
    void SetLogInterval(double dInterval) { m_dLogInterval = dInterval; }
    double GetLogInterval() const { return m_dLogInterval; }
    void SetAntennaHeight(double dHeight) { m_dAntennaHeight = dHeight; }
    double GetAntennaHeight() const { return m_dAntennaHeight; }
    void Enable(bool bEnable) { m_bEnabled = bEnable; }
    // "COM2" for port 2, "COM1" for any other.
    void SetPort(int nPort);
    // Starts the elapsed-time count now.
    void SetTimeMark();
    // Hours and minutes since the time mark, in minutes; whole days are not counted.
    int GetMinutesElapsed();
    // The name cut before its first dot, then the extension. Always true.
    bool SetFilename(const CString& strName);
    // Keeps the base and takes the name GenerateDefaultFilename gives it. Always true.
    bool SetDefaultFilename(const CString& strBase);
    // The base cut before its first dot, then "_<day><month>_<h>h<m>m<s>s" of the local time
    // now, then the extension; for example plot_4Dec_9h5m3s.
    CString GenerateDefaultFilename(const CString& strBase);

protected:
    CString m_strDefaultName;
    double m_dLogInterval = 5.0;
    double m_dAntennaHeight = 0.0;
    CString m_strFilename;
    CString m_strPort = L"COM1";
    bool m_bEnabled = false;
    CWnd* m_pParentWnd;          // not owned
    std::int64_t m_TimeMark = 0; // seconds since 1970-01-01 00:00 UTC
};
