// Test access to the receiver base: a minimal model that exposes the protected parsers and
// publishers, and a reset of the state that all receiver objects share.
#pragma once

#include "receiver/DOZOzoeiver.h"

class CProbeReceiver : public CDOZOzoeiver
{
public:
    CString GetName() override { return L"Probe"; }

    using CDOZOzoeiver::BroadcastNotification;
    using CDOZOzoeiver::ChooseSatelliteSlot;
    using CDOZOzoeiver::GetEmptySatellite;
    using CDOZOzoeiver::GetSatellite;
    using CDOZOzoeiver::GetUnusedSatellite;
    using CDOZOzoeiver::IsChecksumOK;
    using CDOZOzoeiver::LoadStatusTable;
    using CDOZOzoeiver::MapGGAQuality;
    using CDOZOzoeiver::PostEphemerisInfo;
    using CDOZOzoeiver::PostNewData;
    using CDOZOzoeiver::PostNewDataRaw;
    using CDOZOzoeiver::ProcessCRMSK;
    using CDOZOzoeiver::ProcessECUTOFF;
    using CDOZOzoeiver::ProcessGGA;
    using CDOZOzoeiver::ProcessINGGA;
    using CDOZOzoeiver::ProcessJSHOW;
    using CDOZOzoeiver::ProcessLOGLIST;
    using CDOZOzoeiver::ProcessOMNIHPPOS;
    using CDOZOzoeiver::ProcessPARPEM;
    using CDOZOzoeiver::ProcessPARPRTA;
    using CDOZOzoeiver::ProcessPASHR;
    using CDOZOzoeiver::ProcessPSLIRParNmea;
    using CDOZOzoeiver::ProcessRTKSOURCE;
    using CDOZOzoeiver::WriteAck;
};

// Puts every shared record, flag and counter back to its state at library load, so each test
// (and each table row) starts from the same place whatever ran before it.
inline void ResetSharedReceiverState()
{
    CDOZOzoeiver::m_GPSData = CGPSData();
    CDOZOzoeiver::m_GPSDataRaw = CGPSDataRaw();
    CDOZOzoeiver::m_GPSEphemeris = CGPSDataEphemeris();
    CDOZOzoeiver::m_GPSMessageRaw.Clear();
    CDOZOzoeiver::m_SpeedEngine.Reset();
    CDOZOzoeiver::m_wNmeaBits = 0;
    CDOZOzoeiver::m_bGSVReceived = false;
    CDOZOzoeiver::m_bGSAReceived = false;
    CDOZOzoeiver::m_bComputeMotion = true;
    CDOZOzoeiver::m_bMonitorNmea = false;
    CDOZOzoeiver::m_nNextGSV = 1;
    CDOZOzoeiver::m_nTotalGSV = 0;
}
