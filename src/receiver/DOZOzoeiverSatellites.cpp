// PENDING: scaffolding so the receiver links; replaced by the satellite sentence work.
#include "receiver/DOZOzoeiver.h"

bool CDOZOzoeiver::GetSatellite(int, int&)
{
    return false;
}
bool CDOZOzoeiver::GetEmptySatellite(int&)
{
    return false;
}
bool CDOZOzoeiver::GetUnusedSatellite(int&)
{
    return false;
}
bool CDOZOzoeiver::ChooseSatelliteSlot(int, int&)
{
    return false;
}
void CDOZOzoeiver::ComputeMeanSNR()
{
}
bool CDOZOzoeiver::ProcessGSA(CString&)
{
    return false;
}
bool CDOZOzoeiver::ProcessGSV(CString&)
{
    return false;
}
