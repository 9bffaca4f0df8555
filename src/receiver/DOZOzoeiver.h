// CDOZOzoeiver: the base of every receiver model. It holds the receiver's connection settings,
// opens and closes the one serial port, parses what the receiver sends into the shared working
// records and publishes them to the host. Everything that depends on the live stream (port,
// speed engine, working records, sequencing flags) is static and shared by all receiver objects:
// only one receiver talks to the hardware at a time.
#pragma once

#include "framing/BinBuffer.h"
#include "platform/Framework.h"
#include "port/SerialPort.h"
#include "receiver/GPSData.h"
#include "receiver/GPSStringType.h"
#include "receiver/GPSTypes.h"
#include "receiver/Notification.h"
#include "receiver/SpeedEngine.h"

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

class FIXORA_API CDOZOzoeiver : public CObject
{
    DECLARE_DYNAMIC(CDOZOzoeiver)
    // The table of message kinds names the parsers.
    friend class CMessageKinds;

public:
    CDOZOzoeiver();
    ~CDOZOzoeiver() override;
    CDOZOzoeiver(const CDOZOzoeiver&) = delete;
    CDOZOzoeiver& operator=(const CDOZOzoeiver&) = delete;

    // ---- virtual interface, in table order ------------------------------------------------
    void Serialize(CArchive& ar) override;
    void AssertValid() const override;
    void Dump(CDumpContext& dc) const override;
    virtual bool EnablePostProcessing(bool bEnable);
    virtual bool SetRawDataOutputInterval(double dSeconds);
    virtual CString GetName() = 0;
    virtual bool HasRawData();
    virtual bool IsAvailable() const;
    virtual bool IsExternalDriver();
    virtual bool IsRtkReceiver();
    virtual bool UseExternalSettings();
    virtual int GetCurrentBaudrate();
    virtual int GetDefaultBaudrate();
    virtual bool Initialize();
    virtual bool OpenPort();
    virtual bool Parse(CString& strMessage, GPSStringType eType);
    virtual bool Parse(CString& strMessage);
    virtual void KeepAlive();
    virtual void Suspend();
    virtual bool ImplementsQueryNmea();
    virtual void QueryNmeaActive();
    virtual bool ImplementsQueryGpsSettings();
    virtual void QueryGpsSettings();
    virtual bool ImplementsBeacon();
    virtual void QueryBeacon();
    virtual void SetBeacon(BEACON_MODE_TYPE eMode, CString strFrequency, CString strBitRate);
    virtual bool ImplementsSetElevMask();
    virtual void QuerySatElevMask();
    virtual void SetSatElevMask(int nDegrees);
    virtual bool ImplementsSetNmea();
    virtual void SetDefaultNMEA();
    virtual void SetGgaOnlyNMEA();
    virtual void Send(const CString& strCommand);
    virtual bool SendBinary(const unsigned char* pData, unsigned short nLength);
    virtual bool ImplementsResetAll();
    virtual bool ResetAll(bool bHard);
    virtual GPSStringType GetGPSStringType(const CString& strMessage);
    virtual bool GGASendsOrthoHeight();
    virtual bool HasDGPSSupport() const;
    virtual void QueryDgpsMode();
    virtual void SetDgpsMode(DgpsMode eMode);
    virtual void QueryOmniStar();
    virtual void DgpsStatusMsg(bool bOn);
    virtual void QueryLbandSatellites();
    virtual void SetLbandFrequency(double dFrequency, int nBitRate);
    virtual void SendCorrection();
    virtual void ChangeCDGPS_Freq(double dFrequency);
    virtual void QueryWAAS();

    // ---- setup and settings ---------------------------------------------------------------
    // Stores the settings; they take effect at the next Initialize/OpenPort.
    void SetupReceiver(int nPort, int nHeightMode, double dAntennaHeight, const CString& strText,
                       bool bExternalPort);
    // Loads the stored baud rate (profile section GetName(), key "Baud"); an argument other than
    // -1 overrides it.
    void SetProperties(int nBaudRate);
    // Stores and remembers a new baud rate; false (nothing written) when it is the current one.
    bool SaveDifferentSettings(int nBaudRate);
    HANDLE GetPortHandle();
    void ResetSpeedEngine();
    void InvalidateSVInfo();

    // ---- sentence monitoring --------------------------------------------------------------
    void MonitorNmea(bool bOn);
    bool MonitoringNmea();
    bool HaveGotNmea(GPSStringType eType);

    // ---- last published records -----------------------------------------------------------
    bool GetLastGPSPositionData(CGPSData& data);
    bool GetLastGPSProprietaryMessage(CGPSData& data);
    void GetLastGPSRawData(CGPSDataRaw& data);
    void GetLastGPSEphemerisData(CGPSDataEphemeris& data);

    // Parse for the engine's framed messages when this object's class is one of the library's
    // own, whose Parse and GetGPSStringType are the base's: the port tag and checksum come from
    // what the framer saw while copying the message out, instead of from scanning the text again.
    bool ParseFramed(CString& strMessage, const CBinBuffer::SMessageFacts& facts);

    // Keeps a copy of a framed message's bytes for the binary decoders.
    bool AttachRawData(const char* pData, int nCount);
    // The binary message that the oldest unread WM_GPS_BINARYMSG announced, as 16-bit words;
    // false when every announced message has been read. A host calls it once per
    // WM_GPS_BINARYMSG: m_BinaryMessage holds only the newest message, which may be several
    // messages on by the time the host looks.
    bool GetBinaryMessage(std::vector<WORD>& words);

    // Reads the site's "GPSStatus" table beside the host executable into m_SignalStatusMap.
    void LoadAlternatGPSStatusStrings();

    // ---- notifications --------------------------------------------------------------------
    void AddNotificationCallback(GPSNotificationType eType, GPSNotificationCallback pfnCallback,
                                 void* pUserData);
    bool HasNotificationCallback(GPSNotificationType eType);

    // ---- shared state (one instance for the whole library) ---------------------------------
    // Parsed on the acquisition thread; every receiver constructor (host thread) resets the flags
    // and counters, and the host reads the monitoring pair, so they are atomic.
    static std::atomic<DWORD> m_wNmeaBits;
    static std::atomic<bool> m_bGSVReceived;
    static std::atomic<bool> m_bGSAReceived;
    static std::atomic<bool> m_bComputeMotion;
    static std::atomic<bool> m_bMonitorNmea;
    static std::atomic<int> m_nNextGSV;
    static std::atomic<int> m_nTotalGSV;
    static CSerialPort m_Port;
    static CSpeedEngine m_SpeedEngine;
    static CGPSData m_GPSData;
    static CGPSDataRaw m_GPSDataRaw;
    static CGPSDataEphemeris m_GPSEphemeris;
    static CBinBuffer m_GPSMessageRaw;
    // Held by the engine while it attaches, parses and publishes a chunk's messages, and by
    // Initialize while it starts the records afresh, so that a command's Initialize (a
    // reset's) on the host's thread never meets a parse half done. Recursive: a notification
    // callback may call back into the receiver.
    static std::recursive_mutex m_RecordsMutex;

    // ---- per-object members ---------------------------------------------------------------
    double m_dRawOutputInterval = 0.0;
    int m_nPort = 0;
    double m_dAntennaHeight = 0.0;
    int m_nHeightMode = 0; // geoid separation in GGA: 0 ignore, 1 add, other subtract
    int m_nRawMessages = 0;
    int m_nRawMessageErrors = 0;
    CString m_strSetupText;
    bool m_bExternalPort = false;
    // Written by the engine on the host's thread while the acquisition thread parses.
    std::atomic<int> m_nMinSatellites{0};
    std::vector<WORD> m_BinaryMessage;
    // Announced and not yet read by GetBinaryMessage, oldest first; at most
    // MaxUnreadBinaryMessages (beyond, the oldest goes).
    std::deque<std::vector<WORD>> m_UnreadBinaryMessages;
    std::mutex m_BinaryMessageMutex; // guards m_BinaryMessage and m_UnreadBinaryMessages
    static constexpr std::size_t MaxUnreadBinaryMessages = 256;
    std::map<GPSNotificationType, CNotificationData> m_NotificationMap;
    int m_nBaudRate = 9600;
    CGPSNotification m_Notification;
    // Guards m_Notification and m_NotificationMap: the acquisition thread publishes and raises
    // notifications while the host registers callbacks and reads the last records.
    std::mutex m_NotificationMutex;
    bool m_bAlternateStatus = false;
    std::map<int, UDF_SIGNAL_STATUS> m_SignalStatusMap;

protected:
    // ---- recognition and dispatch ---------------------------------------------------------
    bool IsChecksumOK(const CString& strMessage);
    // Parse once the kind is known: monitoring, then the parser.
    bool ParseOfType(CString& strMessage, GPSStringType eType);
    bool ProcessProprietary(CString& strMessage);
    void GotNmea(GPSStringType eType);

    // ---- receiver replies: each stores what it read into m_GPSData.m_Status -----------------
    // OEM board ASCII logs ("#...A" header, ";" before the body, "*" after it).
    bool ProcessLOGLIST(CString& strMessage);
    bool ProcessRXCONFIG(CString& strMessage);
    bool ProcessECUTOFF(CString& strMessage);
    bool ProcessOMNIINFO(CString& strMessage);
    bool ProcessOMNISTAT(CString& strMessage);
    bool ProcessOMNIHPPOS(CString& strMessage);
    bool ProcessWAAS1(CString& strMessage);
    bool ProcessRTKSOURCE(CString& strMessage);
    bool ProcessSBASCONTROL(CString& strMessage);
    bool ProcessPSRDIFFSOURCE(CString& strMessage);
    // Ashtech family: the beacon's signal and tuning, and the lines of the parameter listing.
    bool ProcessCRMSS(CString& strMessage);
    bool ProcessCRMSK(CString& strMessage);
    bool ProcessPARPMD(CString& strMessage);
    bool ProcessPARPER(CString& strMessage);
    bool ProcessPARPEM(CString& strMessage);
    bool ProcessPARPRTA(CString& strMessage);
    // Starlink, Sokkia and the Axis3 family.
    bool ProcessPSLIRParNmea(CString& strMessage);
    bool ProcessPSLIRParMode(CString& strMessage);
    bool ProcessPMCAG(CString& strMessage);
    bool ProcessJSHOW(CString& strMessage);
    bool ProcessJiOrJgeoOrRd1(CString& strMessage);
    // A token that begins "ON" or "OFF"; false (status unknown) for any other.
    bool GetNmeaMsgStatus(const CString& strToken, NmeaMsgStatus& eStatus);
    // The output period after strTag in the line: above 0 on, else off; an absent tag is
    // unknown (true); a period that is no number is false, the status untouched.
    bool GetNmeaMsgStatus(const CString& strLine, NmeaMsgStatus& eStatus, const CString& strTag);

    // ---- binary raw records and messages ---------------------------------------------------
    // A "$PASHR" reply other than the acknowledgement: a raw record to its decoder.
    bool ProcessPASHR(CString& strMessage);
    // One record each, its first byte after the message's head.
    bool ProcessPASHR_MBN(const void* pRecord);
    bool ProcessPASHR_PBN(const void* pRecord);
    bool ProcessPASHR_SNV(const void* pRecord);
    // The attached "$BIN" or OEM binary message into m_BinaryMessage, for the host.
    bool ProcessBIN();
    bool ProcessAxis4BIN();
    // Queues m_BinaryMessage for the host and tells it; the caller holds m_BinaryMessageMutex.
    void AnnounceBinaryMessage();

    // ---- positions --------------------------------------------------------------------------
    bool ProcessGGA(CString& strSentence);
    bool ProcessINGGA(CString& strSentence);
    double GPSPosToRadians(double dValue);
    // Fix quality of a GGA sentence to a signal status, built-in table or the site's table.
    UDF_SIGNAL_STATUS MapGGAQuality(int nQuality);

    // ---- signal status table ----------------------------------------------------------------
    // "GPSStatus" in the folder of the host's executable.
    static CString GetStatusFilePath();
    // Adds the entries of one status table file to m_SignalStatusMap (the public loader passes
    // GetStatusFilePath()).
    void LoadStatusTable(const CString& strPath);

    // ---- satellites -------------------------------------------------------------------------
    bool GetSatellite(int nPRN, int& nSlot);
    bool GetEmptySatellite(int& nSlot);
    bool GetUnusedSatellite(int& nSlot);
    // Own slot, else the first empty one, else the first one not used in the solution.
    bool ChooseSatelliteSlot(int nPRN, int& nSlot);
    void ComputeMeanSNR();
    bool ProcessGSA(CString& strSentence);
    bool ProcessGSV(CString& strSentence);

    // ---- motion -----------------------------------------------------------------------------
    bool ProcessVTG(CString& strSentence);
    bool ProcessGarminRME(CString& strSentence);

    // ---- publishing -------------------------------------------------------------------------
    bool PostNewData(bool bForce);
    bool PostNewDataRaw();
    bool PostEphemerisInfo();
    void BroadcastNotification(GPSNotificationType eType, CGPSNotification* pNotification);

    // ---- acknowledged write -----------------------------------------------------------------
    bool WriteAck(const CString& strCommand, bool bWait, int nMilliseconds);
};

// GPS week number from the computer's local date and time.
FIXORA_API int GetGPSWeekNow();
// GPS week number of a calendar date and time (seconds ignored): whole days since 1980-01-06
// 00:00, divided by 7.
FIXORA_API int GetGPSWeek(int nYear, int nMonth, int nDay, int nHour, int nMinute);
// Julian day number (with the time of day as a fraction) of a calendar date.
FIXORA_API double JulianDay(int nYear, int nMonth, int nDay, int nHour, int nMinute);
