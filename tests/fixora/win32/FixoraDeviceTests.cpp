// fixora's --device on Windows: the system names its serial ports itself, so a device path is
// refused with the form to use, and a COM port that is not there cannot start the receiver.
#include "../FixoraRunner.h"

#include <gtest/gtest.h>

namespace
{

TEST(FixoraDevice, PortsAreNamedTheSystemsWay)
{
    const struct
    {
        const char* pszDevice;
        const char* pszMessage;
    } rows[] = {
        {"/dev/ttyUSB0", "cannot use '/dev/ttyUSB0' as a serial device: this system takes a COM "
                         "port name such as COM3"},
        {"Com9", "cannot start the receiver 'NMEA-0183' on Com9"},
        {"\\\\.\\COM42", "cannot start the receiver 'NMEA-0183' on \\\\.\\COM42"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.pszDevice);
        const SFixoraRun run = RunFixora({"--device", row.pszDevice, "--duration", "5"});
        EXPECT_EQ(run.nExit, 1);
        EXPECT_NE(run.strErr.find(row.pszMessage), std::string::npos) << run.strErr;
    }
}

} // namespace
