// The OEM receiver board with an L-band channel: raw measurement logs, every differential source,
// L-band tuning.
#pragma once

#include "receiver/DOZOzoeiver.h"

#include <atomic>

// "GSR2650 LB", 9600 baud: raw data, NMEA query and selection, elevation mask, reset,
// differential source. It answers beacon and settings queries without offering them.
class FIXORA_API Cgsr2650lb : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(Cgsr2650lb)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool HasRawData() override;
    bool ImplementsQueryNmea() override;
    bool ImplementsQueryGpsSettings() override;
    bool ImplementsBeacon() override;
    bool ImplementsSetElevMask() override;
    bool ImplementsSetNmea() override;
    bool ImplementsResetAll() override;
    bool HasDGPSSupport() const override;

    // Raw state, set by the host's commands and cleared when acquisition initialises the
    // receiver on its own thread, hence atomic.
    std::atomic<bool> m_bRawDataOutput{false}; // raw measurement logs are requested
    std::atomic<int> m_nRawDataInterval{0};    // raw range log period in seconds
};
