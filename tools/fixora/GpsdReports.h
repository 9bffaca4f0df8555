// The JSON objects a gpsd-protocol client reads: TPV and SKY built from the position record, and
// the answers to its requests. Each function returns one object, without a line end. Keys the
// protocol does not have start with "fixora_"; clients skip keys they do not know.
#pragma once

#include "Fixora_Vorn.h"

#include <ctime>
#include <string>

// The device a server reports: the input it reads and the model decoding it.
struct SGpsdDevice
{
    std::string strPath;
    std::string strDriver;
    std::time_t activated = 0;
};

// What a client asked ?WATCH for.
struct SGpsdWatch
{
    bool bEnable = false;
    bool bJson = false;
    bool bNmea = false;
};

// ISO 8601 UTC with milliseconds of a fix's time of day on the date of now: the day before or
// after when the two are more than twelve hours apart (a fix just before midnight read just
// after it).
std::string GpsdIsoTime(double dUtcSeconds, std::time_t now);
// The same for a moment of the computer's clock.
std::string GpsdIsoTime(std::time_t moment);

// TPV of a record that carries a fix, motion or a new receiver status (mode 0 when it has only
// the status); empty for any other record.
std::string GpsdTpv(const CGPSData& data, const SGpsdDevice& device, std::time_t now);
// SKY of a record that carries satellites or DOPs; empty for any other record.
std::string GpsdSky(const CGPSData& data, const SGpsdDevice& device);

std::string GpsdVersion();
// DEVICES with the device, or with none once its input has ended (pDevice null).
std::string GpsdDevices(const SGpsdDevice* pDevice);
// DEVICE telling that the input has ended.
std::string GpsdDeviceGone(const SGpsdDevice& device, std::time_t now);
std::string GpsdWatchAnswer(const SGpsdWatch& watch);
// POLL with the last TPV and SKY sent (each may be empty).
std::string GpsdPoll(const std::string& strTpv, const std::string& strSky, bool bActive,
                     std::time_t now);
std::string GpsdError(const std::string& strMessage);
