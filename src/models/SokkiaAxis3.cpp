// Axis3 family: the binary raw output and the status query; everything else is in the rows.
#include "models/SokkiaAxis3.h"

#include "rawdata/RawBinInterval.h"

IMPLEMENT_RECEIVER_MODEL(CSokkiaAxis3, CCatalogueModel, SokkiaAxis3)
IMPLEMENT_RECEIVER_MODEL(CCSImax, CSokkiaAxis3, CSImax)

namespace
{

// Both raw blocks at one interval, then the save; no pauses. Takes the interval's text.
constexpr SCommandStep s_RawOutput[] = {
    {L"$JBIN,96,%s\r\n"},
    {L"$JBIN,95,%s\r\n"},
    {L"$JSAVE\r\n"},
};

constexpr int s_nFastRate = 5; // the rate that selects 0.2 s blocks

} // namespace

CSokkiaAxis3::CSokkiaAxis3(EReceiverModel eModel) : CCatalogueModel(eModel) {}

void CSokkiaAxis3::SetRawDataOutput(bool bEnable, int nRate)
{
    if (!m_Port.IsOpen())
    {
        return;
    }
    if (!bEnable)
    {
        // The interval stays: later message-95 requests go on at the last rate switched on.
        Run(s_RawOutput, EPort::MustBeOpen, L"0");
        return;
    }
    const bool bFast = nRate == s_nFastRate;
    Run(s_RawOutput, EPort::MustBeOpen, bFast ? L"0.2" : L"1");
    g_dRawBinInterval = bFast ? 0.2 : 1.0;
}

void CSokkiaAxis3::QueryJSHOW()
{
    Run(Model().m_QueryStatus, EPort::MustBeOpen);
}

bool CSokkiaAxis3::EnablePostProcessing(bool bEnable)
{
    SetRawDataOutput(bEnable, 1);
    return true;
}

bool CSokkiaAxis3::SetRawDataOutputInterval(double dSeconds)
{
    SetRawDataOutput(true, TruncatedSeconds(dSeconds));
    return true;
}
