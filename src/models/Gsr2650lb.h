// The OEM receiver board with an L-band channel: raw measurement logs, every differential source,
// L-band tuning for OmniSTAR and CDGPS, a user datum and a full reset. Its catalogue row holds its
// commands; this class adds what depends on its state or arguments.
#pragma once

#include "models/CatalogueModel.h"

#include <atomic>
#include <functional>

// "GSR2650 LB", 9600 baud. Constructing it initialises it: the shared port is opened (when the
// receiver's port number can be) and the default sentences are selected.
class FIXORA_API Cgsr2650lb : public CCatalogueModel
{
    DECLARE_DYNAMIC(Cgsr2650lb)

public:
    Cgsr2650lb();

    // Raw measurement logs (range every nInterval seconds, ephemerides and almanac on change)
    // on or off, saved in the board.
    void SetRawDataOutput(bool bEnable, int nInterval);

    // Clears the raw state, initialises the base, then selects the default sentences.
    bool Initialize() override;
    // Raw logs at one second; nothing is sent when they are already as asked.
    bool EnablePostProcessing(bool bEnable) override;
    // The period in whole seconds, with the raw logs left on or off as they are.
    bool SetRawDataOutputInterval(double dSeconds) override;
    // The queries clear what they ask for, so that only the answer sets it again.
    void QueryGpsSettings() override;
    void QueryBeacon() override;
    void QuerySatElevMask() override;
    void QueryDgpsMode() override;
    void QueryLbandSatellites() override;
    void SetBeacon(BEACON_MODE_TYPE eMode, CString strFrequency, CString strBitRate) override;
    // Written only to an open port; the mode asked for is stored as the reported one.
    void SetDgpsMode(DgpsMode eMode) override;
    // 0 MHz: OmniSTAR found automatically; any other frequency is assigned.
    void SetLbandFrequency(double dFrequency, int nBitRate) override;
    // The CDGPS channel, 0 to 3000 MHz in whole MHz; any other frequency is ignored.
    void ChangeCDGPS_Freq(double dFrequency) override;
    void DgpsStatusMsg(bool bOn) override;
    // The reset, acknowledged; then the board is initialised again and takes its sources
    // automatically.
    bool ResetAll(bool bShowWait) override;

    // Raw state, set by the host's commands and cleared when acquisition initialises the
    // receiver on its own thread, hence atomic.
    std::atomic<bool> m_bRawDataOutput{false}; // raw measurement logs are requested
    std::atomic<int> m_nRawDataInterval{0};    // raw range log period in seconds

private:
    // Runs the query on an open port, then clears, with the new-status flag, what its answer
    // will set.
    void QueryThenForget(const std::function<void()>& query, void (*pfnForget)(CGPSStatusData&));
};
