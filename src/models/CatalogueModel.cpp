// The receiver's operations as a catalogue row says: predicates from its capability bits, plain
// operations from its scripts, and the few that choose a script by their arguments.
#include "models/CatalogueModel.h"

#include <climits>
#include <cmath>
#include <limits>

CCatalogueModel::CCatalogueModel(EReceiverModel eModel) : m_pModel(&GetReceiverModel(eModel)) {}

bool CCatalogueModel::Claims(unsigned nCapability) const
{
    return (m_pModel->m_nCapabilities & nCapability) != 0;
}

bool CCatalogueModel::RunStep(const SCommandStep& step, const CString& strLine, bool bShowWait)
{
    bool bAcknowledged = true;
    if (!strLine.IsEmpty())
    {
        if (step.m_nAckWait > 0)
        {
            bAcknowledged = WriteAck(strLine, bShowWait && step.m_bWaitWindow, step.m_nAckWait);
        }
        else
        {
            m_Port.Write(strLine);
        }
    }
    if (step.m_dwPause > 0)
    {
        Sleep(step.m_dwPause);
    }
    return bAcknowledged;
}

bool CCatalogueModel::RunAcknowledged(CommandScript script, bool bShowWait)
{
    bool bAllAcknowledged = true;
    for (const SCommandStep& step : script)
    {
        const CString strLine(step.m_pszLine != nullptr ? step.m_pszLine : L"");
        bAllAcknowledged = RunStep(step, strLine, bShowWait) && bAllAcknowledged;
    }
    return bAllAcknowledged;
}

std::optional<bool> CCatalogueModel::RunReset(bool bShowWait)
{
    if (!Initialize() || !m_Port.IsOpen())
    {
        return std::nullopt;
    }
    return RunAcknowledged(m_pModel->m_ResetAll, bShowWait);
}

int CCatalogueModel::TruncatedSeconds(double dSeconds)
{
    constexpr double dMax = std::numeric_limits<int>::max();
    constexpr double dMin = std::numeric_limits<int>::min();
    if (!(dSeconds > dMin - 1.0 && dSeconds < dMax + 1.0))
    {
        return std::isnan(dSeconds) ? 0 : (dSeconds > 0 ? INT_MAX : INT_MIN);
    }
    return static_cast<int>(dSeconds);
}

// ---- identity and capabilities -----------------------------------------------------------------

CString CCatalogueModel::GetName()
{
    return CString(m_pModel->m_pszName);
}

int CCatalogueModel::GetDefaultBaudrate()
{
    return m_pModel->m_nDefaultBaudrate;
}

bool CCatalogueModel::HasRawData()
{
    return Claims(MODEL_RAW_DATA);
}

bool CCatalogueModel::ImplementsQueryNmea()
{
    return Claims(MODEL_QUERY_NMEA);
}

bool CCatalogueModel::ImplementsQueryGpsSettings()
{
    return Claims(MODEL_QUERY_SETTINGS);
}

bool CCatalogueModel::ImplementsBeacon()
{
    return Claims(MODEL_BEACON);
}

bool CCatalogueModel::ImplementsSetElevMask()
{
    return Claims(MODEL_ELEV_MASK);
}

bool CCatalogueModel::ImplementsSetNmea()
{
    return Claims(MODEL_SET_NMEA);
}

bool CCatalogueModel::ImplementsResetAll()
{
    return Claims(MODEL_RESET);
}

bool CCatalogueModel::GGASendsOrthoHeight()
{
    return Claims(MODEL_ORTHO_HEIGHT);
}

bool CCatalogueModel::HasDGPSSupport() const
{
    return Claims(MODEL_DGPS);
}

// ---- lifecycle ----------------------------------------------------------------------------------

bool CCatalogueModel::Initialize()
{
    if (!CDOZOzoeiver::Initialize())
    {
        return false;
    }
    // The port was just opened (or is the host's).
    Run(m_pModel->m_Initialize, EPort::AsItIs);
    return true;
}

void CCatalogueModel::KeepAlive()
{
    Run(m_pModel->m_KeepAlive, EPort::AsItIs);
}

// ---- queries and setters ------------------------------------------------------------------------

void CCatalogueModel::QueryNmeaActive()
{
    Run(m_pModel->m_QueryNmeaActive, EPort::MustBeOpen);
}

void CCatalogueModel::QueryGpsSettings()
{
    Run(m_pModel->m_QueryGpsSettings, EPort::MustBeOpen);
}

void CCatalogueModel::QueryBeacon()
{
    Run(m_pModel->m_QueryBeacon, EPort::MustBeOpen);
}

void CCatalogueModel::SetBeacon(BEACON_MODE_TYPE eMode, CString strFrequency, CString strBitRate)
{
    // Only automatic mode is told apart: any other value tunes to the given frequency, with the
    // bit rate fixed when one is given.
    if (eMode == BEACON_MODE_AUTO)
    {
        Run(m_pModel->m_SetBeaconAuto, EPort::MustBeOpen);
        return;
    }
    Run(m_pModel->m_SetBeaconManual, EPort::MustBeOpen, strFrequency.GetString(),
        strBitRate.GetString(), strBitRate.IsEmpty() ? L"A" : L"M");
}

void CCatalogueModel::QuerySatElevMask()
{
    Run(m_pModel->m_QuerySatElevMask, EPort::MustBeOpen);
}

void CCatalogueModel::SetSatElevMask(int nDegrees)
{
    Run(m_pModel->m_SetSatElevMask, EPort::MustBeOpen, nDegrees);
}

void CCatalogueModel::SetDefaultNMEA()
{
    Run(m_pModel->m_SetDefaultNMEA, EPort::MustBeOpen);
}

void CCatalogueModel::SetGgaOnlyNMEA()
{
    Run(m_pModel->m_SetGgaOnlyNMEA, EPort::MustBeOpen);
}

bool CCatalogueModel::ResetAll(bool bShowWait)
{
    if (m_pModel->m_ResetAll.empty())
    {
        return false;
    }
    return RunReset(bShowWait).value_or(false);
}

void CCatalogueModel::QueryDgpsMode()
{
    Run(m_pModel->m_QueryDgpsMode, EPort::MustBeOpen);
}

void CCatalogueModel::SetDgpsMode(DgpsMode eMode)
{
    // A value outside the enumeration selects no source; the closing script runs all the same.
    Run(m_pModel->m_SetDgpsModeStart, EPort::AsItIs);
    if (eMode >= DGPS_OFF && eMode <= DGPS_OMNISTAR_VBS)
    {
        Run(m_pModel->m_SetDgpsMode[eMode], EPort::AsItIs);
    }
    Run(m_pModel->m_SetDgpsModeEnd, EPort::AsItIs);
}

void CCatalogueModel::QueryOmniStar()
{
    Run(m_pModel->m_QueryOmniStar, EPort::MustBeOpen);
}

void CCatalogueModel::DgpsStatusMsg(bool bOn)
{
    Run(m_pModel->m_DgpsStatusMsg, EPort::MustBeOpen, bOn ? 1 : 0);
}

void CCatalogueModel::QueryLbandSatellites()
{
    Run(m_pModel->m_QueryLbandSatellites, EPort::MustBeOpen);
}

void CCatalogueModel::SetLbandFrequency(double dFrequency, int nBitRate)
{
    // The receiver takes kHz; the host gives MHz.
    Run(m_pModel->m_SetLbandFrequency, EPort::MustBeOpen, dFrequency * 1000.0, nBitRate);
}

void CCatalogueModel::SendCorrection()
{
    Run(m_pModel->m_SendCorrection, EPort::MustBeOpen);
}

void CCatalogueModel::QueryWAAS()
{
    Run(m_pModel->m_QueryWAAS, EPort::MustBeOpen);
}
