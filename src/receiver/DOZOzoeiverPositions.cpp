// PENDING: scaffolding so the receiver links; replaced by the position sentence work.
#include "receiver/DOZOzoeiver.h"

bool CDOZOzoeiver::ProcessGGA(CString&)
{
    return false;
}
bool CDOZOzoeiver::ProcessINGGA(CString&)
{
    return false;
}
double CDOZOzoeiver::GPSPosToRadians(double)
{
    return 0.0;
}
UDF_SIGNAL_STATUS CDOZOzoeiver::MapGGAQuality(int)
{
    return UDF_SIGNAL_NONE;
}
void CDOZOzoeiver::LoadAlternatGPSStatusStrings()
{
}
