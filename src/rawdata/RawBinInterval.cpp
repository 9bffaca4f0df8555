#include "rawdata/RawBinInterval.h"

std::atomic<double> g_dRawBinInterval{0.2};

const wchar_t* GetMessage95Request()
{
    return g_dRawBinInterval.load() == 0.2 ? L"$JBIN,95,0.2\r\n" : L"$JBIN,95,1\r\n";
}
