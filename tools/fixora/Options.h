// The fixora command line: what the user asked for, checked before anything is started.
#pragma once

#include "Commands.h"

#include <optional>
#include <string>
#include <vector>

// Where the bytes come from.
enum class EInput
{
    Sample,        // no input option: the sample stream of examples/, replayed
    Replay,        // --replay FILE: the file's bytes as a raw stream, as fast as possible
    FastEmulation, // --emulate FILE --fast: the file's lines framed as the emulation mode does
    Emulation,     // --emulate FILE: the engine's own emulation mode, one line every 500 ms
    Live           // --device PATH: a receiver on a serial device
};

struct SOptions
{
    bool bHelp = false;
    bool bListModels = false;
    EInput eInput = EInput::Sample;
    std::string strInputPath; // the file of Replay/Emulation, the device of Live
    std::string strModel = "NMEA-0183";
    std::optional<int> nBaud;
    std::optional<int> nMinSats;
    std::optional<double> dAntennaHeight;
    std::optional<int> nHeightMode;
    std::string strProfile;
    std::string strLogRaw;
    std::string strDataLog; // base name of the RINEX files, without a dot
    double dDataLogInterval = 1.0;
    bool bCollect = false;
    std::optional<double> dDurationSeconds;
    bool bJson = false;
    bool bNoClock = false;
    // Live: --baud auto tries the rates in turn until one brings valid sentences; --reconnect
    // waits for a device that went away and carries on once it is back.
    bool bBaudAuto = false;
    bool bReconnect = false;
    // Receiver commands, in the order given; sent once the live receiver runs.
    std::vector<SCommand> commands;

    // --serve [HOST:]PORT: serve the records to gpsd-protocol clients instead of printing them.
    bool bServe = false;
    std::string strServeHost = "127.0.0.1";
    unsigned short nServePort = 2947;
    bool bServeFast = false; // --replay --fast: a replay served without pacing
};

// Parses argv into options. On a usage error returns false with a one-line explanation in
// strError (unknown option, missing or bad value, option given twice, conflicting inputs,
// unknown model name, a command the model does not have).
bool ParseOptions(int argc, const char* const* argv, SOptions& options, std::string& strError);

// The --help text.
const char* UsageText();
