// The OEM receiver board with an L-band channel.
#pragma once

#include "models/CatalogueModel.h"

#include <atomic>

// "GSR2650 LB", 9600 baud: raw data.
class FIXORA_API Cgsr2650lb : public CCatalogueModel
{
    DECLARE_DYNAMIC(Cgsr2650lb)

public:
    Cgsr2650lb();

    // Raw state, set by the host's commands and cleared when acquisition initialises the
    // receiver on its own thread, hence atomic.
    std::atomic<bool> m_bRawDataOutput{false}; // raw measurement logs are requested
    std::atomic<int> m_nRawDataInterval{0};    // raw range log period in seconds
};
