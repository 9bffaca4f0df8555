// The OEM L-band board: raw logs, the queries that clear what they ask for, the source and L-band
// setters that record what they set, and the reset.
#include "models/Gsr2650lb.h"

#include <functional>
#include <mutex>

IMPLEMENT_DYNAMIC(Cgsr2650lb, CObject)

namespace
{

// clang-format off
// Raw logs on at an interval (whole seconds), or off; then saved.
constexpr SCommandStep s_RawOn[] = {
    {L"LOG RANGEB ONTIME %i\r\n", 100},
    {L"LOG RAWEPHEMB ONCHANGED\r\n", 100},
    {L"LOG ALMANACB ONCHANGED\r\n", 100},
    {L"SAVECONFIG\r\n", 1000},
};
constexpr SCommandStep s_RawOff[] = {
    {L"UNLOG RANGEB\r\n", 100},
    {L"UNLOG RAWEPHEMB\r\n", 100},
    {L"UNLOG ALMANACB\r\n", 100},
    {L"SAVECONFIG\r\n", 1000},
};
// OmniSTAR searched for by the board.
constexpr SCommandStep s_LbandAutomatic[] = {
    {L"RTKSOURCE OMNISTAR ANY\r\n", 800},
    {L"SAVECONFIG\r\n", 2000},
};
// The CDGPS channel in kHz.
constexpr SCommandStep s_CdgpsFrequency[] = {
    {L"ASSIGNLBAND CDGPS %i 4800\r\n", 100},
    {L"SAVECONFIG\r\n", 1000},
};
// clang-format on

constexpr double s_dHighestCdgpsMHz = 3000.0;
constexpr DWORD s_dwResetSettle = 3000; // ms for the board to come back

constexpr int s_nLbandAutomatic = 1;
constexpr int s_nLbandAssigned = 2;

// What the beacon and source queries clear: the answer says which source is in use.
void ForgetDgpsMode(CGPSStatusData& status)
{
    status.m_DgpsMode = DGPS_OFF;
    status.m_bDgpsMode = false;
}

} // namespace

// Its record is made by hand: the constructor does more than name the row.
Cgsr2650lb::Cgsr2650lb() : CCatalogueModel(EReceiverModel::Gsr2650lb)
{
    Cgsr2650lb::Initialize();
}

bool Cgsr2650lb::Initialize()
{
    m_bRawDataOutput = false;
    m_nRawDataInterval = 0;
    if (!CDOZOzoeiver::Initialize())
    {
        return false;
    }
    SetDefaultNMEA();
    return true;
}

void Cgsr2650lb::SetRawDataOutput(bool bEnable, int nInterval)
{
    if (!m_Port.IsOpen())
    {
        return;
    }
    if (bEnable)
    {
        Run(s_RawOn, EPort::MustBeOpen, nInterval);
        m_nRawDataInterval = nInterval;
    }
    else
    {
        // The period stays what it was: it is only ever set together with switching on.
        Run(s_RawOff, EPort::MustBeOpen);
    }
    m_bRawDataOutput = bEnable;
}

bool Cgsr2650lb::EnablePostProcessing(bool bEnable)
{
    if (m_bRawDataOutput != bEnable)
    {
        SetRawDataOutput(bEnable, 1);
    }
    return true;
}

bool Cgsr2650lb::SetRawDataOutputInterval(double dSeconds)
{
    const int nInterval = TruncatedSeconds(dSeconds);
    if (!m_bRawDataOutput || nInterval != m_nRawDataInterval)
    {
        SetRawDataOutput(m_bRawDataOutput, nInterval);
    }
    return true;
}

void Cgsr2650lb::QueryThenForget(const std::function<void()>& query,
                                 void (*pfnForget)(CGPSStatusData&))
{
    if (!m_Port.IsOpen())
    {
        return;
    }
    query();
    // Cleared after the pauses: an answer parsed during them is cleared again, which leaves the
    // next answer the only source.
    std::lock_guard lock(m_RecordsMutex);
    pfnForget(m_GPSData.m_Status);
    m_GPSData.m_Status.m_bNewStatus = false;
}

void Cgsr2650lb::QuerySatElevMask()
{
    QueryThenForget([this] { CCatalogueModel::QuerySatElevMask(); },
                    [](CGPSStatusData& status) { status.m_bElevMask = false; });
}

void Cgsr2650lb::QueryGpsSettings()
{
    QuerySatElevMask();
}

void Cgsr2650lb::QueryBeacon()
{
    QueryThenForget([this] { CCatalogueModel::QueryBeacon(); }, &ForgetDgpsMode);
}

void Cgsr2650lb::QueryDgpsMode()
{
    QueryThenForget([this] { CCatalogueModel::QueryDgpsMode(); }, &ForgetDgpsMode);
}

void Cgsr2650lb::QueryLbandSatellites()
{
    QueryOmniStar();
}

void Cgsr2650lb::SetBeacon(BEACON_MODE_TYPE, CString, CString)
{
    // The board picks its sources itself: mode, frequency and bit rate do not matter.
    CCatalogueModel::SetBeacon(BEACON_MODE_AUTO, CString(), CString());
}

void Cgsr2650lb::SetDgpsMode(DgpsMode eMode)
{
    if (!m_Port.IsOpen())
    {
        return;
    }
    CCatalogueModel::SetDgpsMode(eMode);
    // The host sees the new source without waiting for a query.
    std::lock_guard lock(m_RecordsMutex);
    m_GPSData.m_Status.m_DgpsMode = eMode;
    m_GPSData.m_Status.m_bDgpsMode = true;
    m_GPSData.m_Status.m_bNewStatus = true;
}

void Cgsr2650lb::SetLbandFrequency(double dFrequency, int nBitRate)
{
    if (!m_Port.IsOpen())
    {
        return;
    }
    const bool bAutomatic = dFrequency == 0.0;
    if (bAutomatic)
    {
        Run(s_LbandAutomatic, EPort::MustBeOpen);
    }
    else
    {
        CCatalogueModel::SetLbandFrequency(dFrequency, nBitRate);
    }
    std::lock_guard lock(m_RecordsMutex);
    m_GPSData.m_Status.m_nLbandMode = bAutomatic ? s_nLbandAutomatic : s_nLbandAssigned;
}

void Cgsr2650lb::ChangeCDGPS_Freq(double dFrequency)
{
    if (!(dFrequency >= 0.0 && dFrequency <= s_dHighestCdgpsMHz))
    {
        return;
    }
    // Whole MHz: the fraction goes before the conversion to kHz.
    Run(s_CdgpsFrequency, EPort::MustBeOpen, static_cast<int>(dFrequency) * 1000);
}

void Cgsr2650lb::DgpsStatusMsg(bool) {}

bool Cgsr2650lb::ResetAll(bool bShowWait)
{
    if (!m_Port.IsOpen())
    {
        return false;
    }
    const bool bAcknowledged = RunAcknowledged(Model().m_ResetAll, bShowWait);
    if (!Initialize())
    {
        return false;
    }
    SetDgpsMode(DGPS_BEACON);
    Sleep(s_dwResetSettle);
    return bAcknowledged;
}
