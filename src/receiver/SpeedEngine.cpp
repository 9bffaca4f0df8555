// PENDING: scaffolding so the receiver links; replaced by the motion work.
#include "receiver/SpeedEngine.h"

CSpeedEngine::CSpeedEngine()
{
}
bool CSpeedEngine::ComputeMotion(CGPSData*)
{
    return false;
}
void CSpeedEngine::Reset()
{
}
