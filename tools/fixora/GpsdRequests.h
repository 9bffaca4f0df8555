// What a gpsd-protocol client may ask: one line holds requests of the form ?NAME; or
// ?NAME={json}; (the semicolon may be left off at the end of the line). ?WATCH, ?POLL, ?DEVICES
// and ?VERSION are answered; anything else gets an ERROR object.
#pragma once

#include "GpsdReports.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// What the answers are made from, as the server has it at the time.
struct SGpsdState
{
    const SGpsdDevice* pDevice = nullptr; // null once the input has ended
    std::string strLastTpv;
    std::string strLastSky;
    std::time_t now = 0;
};

// The answers to one line (without its line end), in order; ?WATCH changes watch. Reading stops
// at the first request that cannot be read, which gets an ERROR.
std::vector<std::string> AnswerGpsdLine(std::string_view svLine, SGpsdWatch& watch,
                                        const SGpsdState& state);
