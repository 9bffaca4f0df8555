// Receiver base: shared state, construction, settings, the port's lifecycle, sending, and the
// base answers of the virtual interface.
#include "receiver/DOZOzoeiver.h"

IMPLEMENT_DYNAMIC(CDOZOzoeiver, CObject)

std::atomic<DWORD> CDOZOzoeiver::m_wNmeaBits{0};
std::atomic<bool> CDOZOzoeiver::m_bGSVReceived{false};
std::atomic<bool> CDOZOzoeiver::m_bGSAReceived{false};
std::atomic<bool> CDOZOzoeiver::m_bComputeMotion{true};
std::atomic<bool> CDOZOzoeiver::m_bMonitorNmea{false};
std::atomic<int> CDOZOzoeiver::m_nNextGSV{1};
std::atomic<int> CDOZOzoeiver::m_nTotalGSV{0};
CSerialPort CDOZOzoeiver::m_Port;
CSpeedEngine CDOZOzoeiver::m_SpeedEngine;
CGPSData CDOZOzoeiver::m_GPSData;
CGPSDataRaw CDOZOzoeiver::m_GPSDataRaw;
CGPSDataEphemeris CDOZOzoeiver::m_GPSEphemeris;
CBinBuffer CDOZOzoeiver::m_GPSMessageRaw;
std::recursive_mutex CDOZOzoeiver::m_RecordsMutex;

namespace
{
const wchar_t* const s_pszBaudEntry = L"Baud";
}

CDOZOzoeiver::CDOZOzoeiver()
{
    // A new receiver object starts the shared sequencing, monitoring and motion state afresh.
    m_wNmeaBits = 0;
    m_bGSVReceived = false;
    m_bGSAReceived = false;
    m_bComputeMotion = true;
    m_bMonitorNmea = false;
    m_nNextGSV = 1;
    m_nTotalGSV = 0;
}

CDOZOzoeiver::~CDOZOzoeiver()
{
    // Only the base answers during destruction: it has no raw output, so nothing is sent.
    CDOZOzoeiver::EnablePostProcessing(false);
    m_Port.Close();
}

void CDOZOzoeiver::Serialize(CArchive&) {}

void CDOZOzoeiver::AssertValid() const {}

void CDOZOzoeiver::Dump(CDumpContext&) const {}

// ---- settings -------------------------------------------------------------------------------

void CDOZOzoeiver::SetupReceiver(int nPort, int nHeightMode, double dAntennaHeight,
                                 const CString& strText, bool bExternalPort)
{
    m_nPort = nPort;
    m_nHeightMode = nHeightMode;
    m_dAntennaHeight = dAntennaHeight;
    m_strSetupText = strText;
    m_bExternalPort = bExternalPort;
}

void CDOZOzoeiver::SetProperties(int nBaudRate)
{
    const CString strSection = GetName();
    m_nBaudRate = GetDefaultBaudrate();
    if (CWinApp* pApp = AfxGetApp())
    {
        m_nBaudRate = static_cast<int>(
            pApp->GetProfileInt(strSection.GetString(), s_pszBaudEntry, m_nBaudRate));
    }
    if (nBaudRate != -1)
    {
        m_nBaudRate = nBaudRate;
    }
}

bool CDOZOzoeiver::SaveDifferentSettings(int nBaudRate)
{
    if (nBaudRate == m_nBaudRate)
    {
        return false;
    }
    m_nBaudRate = nBaudRate;
    if (CWinApp* pApp = AfxGetApp())
    {
        const CString strSection = GetName();
        pApp->WriteProfileInt(strSection.GetString(), s_pszBaudEntry, nBaudRate);
    }
    return true;
}

HANDLE CDOZOzoeiver::GetPortHandle()
{
    return m_Port.GetHandle();
}

void CDOZOzoeiver::ResetSpeedEngine()
{
    m_SpeedEngine.Reset();
}

void CDOZOzoeiver::InvalidateSVInfo()
{
    m_GPSData.m_bSatellitesInView = false;
}

// ---- lifecycle --------------------------------------------------------------------------------

bool CDOZOzoeiver::Initialize()
{
    {
        // A reset runs Initialize on the host's thread while the acquisition thread parses.
        std::lock_guard lock(m_RecordsMutex);
        m_bComputeMotion = true;
        m_bGSAReceived = false;
        m_bGSVReceived = false;
        m_GPSData.Invalidate(true);
        m_GPSData.m_Status.Invalidate();
        LoadAlternatGPSStatusStrings();
    }
    if (m_bExternalPort)
    {
        return true;
    }
    return OpenPort();
}

bool CDOZOzoeiver::OpenPort()
{
    // No handshake, no parity, one stop bit, 8 data bits at the receiver's rate.
    m_Port.SetPort(m_nPort);
    m_Port.SetBaudRate(m_nBaudRate);
    m_Port.SetHandshake(0);
    m_Port.SetParity(0);
    m_Port.SetStopBits(0);
    return m_Port.Open();
}

void CDOZOzoeiver::Suspend()
{
    EnablePostProcessing(false);
    if (!m_bExternalPort)
    {
        m_Port.Close();
    }
}

void CDOZOzoeiver::KeepAlive() {}

void CDOZOzoeiver::Send(const CString& strCommand)
{
    if (m_Port.IsOpen())
    {
        m_Port.Write(strCommand + L"\r\n");
    }
}

bool CDOZOzoeiver::SendBinary(const unsigned char* pData, unsigned short nLength)
{
    if (pData == nullptr || nLength == 0)
    {
        return false;
    }
    return m_Port.Write(pData, nLength);
}

bool CDOZOzoeiver::AttachRawData(const char* pData, int nCount)
{
    if (pData != nullptr && nCount > 0)
    {
        return m_GPSMessageRaw.Set(pData, nCount, nCount);
    }
    m_GPSMessageRaw.Clear();
    return false;
}

// ---- last published records -------------------------------------------------------------------

bool CDOZOzoeiver::GetLastGPSPositionData(CGPSData& data)
{
    std::lock_guard lock(m_NotificationMutex);
    data = m_Notification.m_Position;
    return data.m_bPosition;
}

bool CDOZOzoeiver::GetLastGPSProprietaryMessage(CGPSData& data)
{
    std::lock_guard lock(m_NotificationMutex);
    data = m_Notification.m_Proprietary;
    return data.m_bProprietary;
}

void CDOZOzoeiver::GetLastGPSRawData(CGPSDataRaw& data)
{
    std::lock_guard lock(m_NotificationMutex);
    data = m_Notification.m_Raw;
}

void CDOZOzoeiver::GetLastGPSEphemerisData(CGPSDataEphemeris& data)
{
    std::lock_guard lock(m_NotificationMutex);
    data = m_Notification.m_Ephemeris;
}

// ---- base answers of the virtual interface ---------------------------------------------------

bool CDOZOzoeiver::HasRawData()
{
    return false;
}

bool CDOZOzoeiver::IsAvailable() const
{
    return true;
}

bool CDOZOzoeiver::IsExternalDriver()
{
    return false;
}

bool CDOZOzoeiver::IsRtkReceiver()
{
    return false;
}

bool CDOZOzoeiver::UseExternalSettings()
{
    return false;
}

int CDOZOzoeiver::GetCurrentBaudrate()
{
    return m_nBaudRate;
}

int CDOZOzoeiver::GetDefaultBaudrate()
{
    return 9600;
}

bool CDOZOzoeiver::ImplementsQueryNmea()
{
    return false;
}

void CDOZOzoeiver::QueryNmeaActive() {}

bool CDOZOzoeiver::ImplementsQueryGpsSettings()
{
    return false;
}

void CDOZOzoeiver::QueryGpsSettings() {}

bool CDOZOzoeiver::ImplementsBeacon()
{
    return false;
}

void CDOZOzoeiver::QueryBeacon() {}

void CDOZOzoeiver::SetBeacon(BEACON_MODE_TYPE, CString, CString) {}

bool CDOZOzoeiver::ImplementsSetElevMask()
{
    return false;
}

void CDOZOzoeiver::QuerySatElevMask() {}

void CDOZOzoeiver::SetSatElevMask(int) {}

bool CDOZOzoeiver::ImplementsSetNmea()
{
    return false;
}

void CDOZOzoeiver::SetDefaultNMEA() {}

void CDOZOzoeiver::SetGgaOnlyNMEA() {}

bool CDOZOzoeiver::ImplementsResetAll()
{
    return false;
}

bool CDOZOzoeiver::ResetAll(bool)
{
    return false;
}

bool CDOZOzoeiver::GGASendsOrthoHeight()
{
    return false;
}

bool CDOZOzoeiver::HasDGPSSupport() const
{
    return false;
}

void CDOZOzoeiver::QueryDgpsMode() {}

void CDOZOzoeiver::SetDgpsMode(DgpsMode) {}

void CDOZOzoeiver::QueryOmniStar() {}

void CDOZOzoeiver::DgpsStatusMsg(bool) {}

void CDOZOzoeiver::QueryLbandSatellites() {}

void CDOZOzoeiver::SetLbandFrequency(double, int) {}

void CDOZOzoeiver::SendCorrection() {}

void CDOZOzoeiver::ChangeCDGPS_Freq(double) {}

void CDOZOzoeiver::QueryWAAS() {}
