// PENDING: scaffolding so the receiver links; replaced by the motion work.
#include "receiver/DOZOzoeiver.h"

bool CDOZOzoeiver::ProcessVTG(CString&)
{
    return false;
}
bool CDOZOzoeiver::ProcessGarminRME(CString&)
{
    return false;
}
