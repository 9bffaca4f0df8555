// PENDING: scaffolding so the receiver links; replaced by the sentence recognition work.
#include "receiver/DOZOzoeiver.h"

bool CDOZOzoeiver::Parse(CString& strMessage)
{
    return Parse(strMessage, GetGPSStringType(strMessage));
}
bool CDOZOzoeiver::Parse(CString&, GPSStringType)
{
    return false;
}
GPSStringType CDOZOzoeiver::GetGPSStringType(const CString&)
{
    return GPS_STRING_UNKNOWN;
}
bool CDOZOzoeiver::IsChecksumOK(const CString&)
{
    return false;
}
bool CDOZOzoeiver::ProcessProprietary(CString&)
{
    return false;
}
void CDOZOzoeiver::GotNmea(GPSStringType)
{
}
void CDOZOzoeiver::MonitorNmea(bool)
{
}
bool CDOZOzoeiver::MonitoringNmea()
{
    return m_bMonitorNmea;
}
bool CDOZOzoeiver::HaveGotNmea(GPSStringType)
{
    return false;
}
