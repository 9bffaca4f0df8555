// PENDING: scaffolding so the receiver links; replaced by the publishing work.
#include "receiver/DOZOzoeiver.h"

bool CDOZOzoeiver::PostNewData(bool)
{
    return false;
}
bool CDOZOzoeiver::PostNewDataRaw()
{
    return false;
}
bool CDOZOzoeiver::PostEphemerisInfo()
{
    return false;
}
void CDOZOzoeiver::BroadcastNotification(GPSNotificationType, CGPSNotification*)
{
}
void CDOZOzoeiver::AddNotificationCallback(GPSNotificationType, GPSNotificationCallback, void*)
{
}
bool CDOZOzoeiver::HasNotificationCallback(GPSNotificationType)
{
    return false;
}
bool CDOZOzoeiver::WriteAck(const CString&, bool, int)
{
    return false;
}
int GetGPSWeekNow()
{
    return 0;
}
double JulianDay(int, int, int, int, int)
{
    return 0.0;
}
