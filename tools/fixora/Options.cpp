// Command-line parsing: one table row per option, then the rules that tie options together.
#include "Options.h"

#include "NumberText.h"

#include "Fixora_Vorn.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>
#include <string_view>

namespace
{

struct SOptionRow
{
    const char* pszName;
    bool bTakesValue;
    // Stores the value; false with strError set when the value is not acceptable.
    std::function<bool(const std::string& strValue, SOptions& options, std::string& strError)>
        store;
};

bool SetInput(SOptions& options, EInput eInput, const std::string& strPath)
{
    options.eInput = eInput;
    options.strInputPath = strPath;
    return true;
}

// Stores a whole number or explains what was expected.
auto IntOption(std::optional<int> SOptions::*pMember, long nMin, long nMax, const char* pszWhat)
{
    return [=](const std::string& strValue, SOptions& options, std::string& strError) {
        int n = 0;
        if (!ToInt(strValue, nMin, nMax, n))
        {
            strError = std::string("expects ") + pszWhat + ", got '" + strValue + "'";
            return false;
        }
        options.*pMember = n;
        return true;
    };
}

// ---- live recovery: --baud auto, --reconnect ----

bool StoreBaud(const std::string& strValue, SOptions& options, std::string& strError)
{
    if (strValue == "auto")
    {
        return options.bBaudAuto = true;
    }
    return IntOption(&SOptions::nBaud, 1, 4000000,
                     "a baud rate from 1 to 4000000 or 'auto'")(strValue, options, strError);
}

bool StoreReconnect(const std::string&, SOptions& options, std::string&)
{
    return options.bReconnect = true;
}

// False with strError when a live-recovery option is given without --device.
bool CheckLiveRecovery(const SOptions& options, std::string& strError)
{
    if (options.eInput == EInput::Live)
    {
        return true;
    }
    if (options.bBaudAuto)
    {
        strError = "--baud auto needs --device (it listens to a live receiver)";
        return false;
    }
    if (options.bReconnect)
    {
        strError = "--reconnect needs --device";
        return false;
    }
    return true;
}

// ----

const std::vector<SOptionRow>& OptionTable()
{
    static const std::vector<SOptionRow> s_rows = {
        {"--help", false,
         [](const std::string&, SOptions& o, std::string&) { return o.bHelp = true; }},
        {"--list-models", false,
         [](const std::string&, SOptions& o, std::string&) { return o.bListModels = true; }},
        {"--model", true,
         [](const std::string& v, SOptions& o, std::string& e) {
             if (FindReceiverModel(CString(v.c_str())) == nullptr)
             {
                 e = "unknown model '" + v + "' (--list-models shows the names)";
                 return false;
             }
             o.strModel = v;
             return true;
         }},
        {"--device", true,
         [](const std::string& v, SOptions& o, std::string&) {
             return SetInput(o, EInput::Live, v);
         }},
        {"--baud", true, StoreBaud},
        {"--reconnect", false, StoreReconnect},
        {"--min-sats", true,
         IntOption(&SOptions::nMinSats, 0, 64, "a satellite count from 0 to 64")},
        {"--antenna-height", true,
         [](const std::string& v, SOptions& o, std::string& e) {
             double d = 0.0;
             if (!ToDouble(v, d))
             {
                 e = "expects a height in metres, got '" + v + "'";
                 return false;
             }
             o.dAntennaHeight = d;
             return true;
         }},
        {"--height-mode", true,
         IntOption(&SOptions::nHeightMode, 0, 2,
                   "0 (ignore the geoid separation), 1 (add it) or 2 (subtract it)")},
        {"--profile", true,
         [](const std::string& v, SOptions& o, std::string&) {
             o.strProfile = v;
             return true;
         }},
        {"--emulate", true,
         [](const std::string& v, SOptions& o, std::string&) {
             return SetInput(o, EInput::Emulation, v);
         }},
        // Read by ParseOptions itself: it turns --emulate into the fast mode.
        {"--fast", false, [](const std::string&, SOptions&, std::string&) { return true; }},
        {"--replay", true,
         [](const std::string& v, SOptions& o, std::string&) {
             return SetInput(o, EInput::Replay, v);
         }},
        {"--log-raw", true,
         [](const std::string& v, SOptions& o, std::string&) {
             o.strLogRaw = v;
             return true;
         }},
        {"--data-log", true,
         [](const std::string& v, SOptions& o, std::string& e) {
             // The log's files are named from the name cut at its first dot.
             if (v.find('.') != std::string::npos)
             {
                 e = "expects a name without a dot (the files are NAME_<date>_<time>.obs and "
                     ".nav), got '" +
                     v + "'";
                 return false;
             }
             o.strDataLog = v;
             return true;
         }},
        {"--data-log-interval", true,
         [](const std::string& v, SOptions& o, std::string& e) {
             double d = 0.0;
             if (!ToDouble(v, d) || d < 0.1 || d > 86400.0)
             {
                 e = "expects seconds from 0.1 to 86400, got '" + v + "'";
                 return false;
             }
             o.dDataLogInterval = d;
             return true;
         }},
        {"--collect", false,
         [](const std::string&, SOptions& o, std::string&) { return o.bCollect = true; }},
        {"--duration", true,
         [](const std::string& v, SOptions& o, std::string& e) {
             double d = 0.0;
             if (!ToDouble(v, d) || d <= 0.0 || d > 1e9)
             {
                 e = "expects a positive number of seconds, got '" + v + "'";
                 return false;
             }
             o.dDurationSeconds = d;
             return true;
         }},
        {"--json", false,
         [](const std::string&, SOptions& o, std::string&) { return o.bJson = true; }},
        {"--no-clock", false,
         [](const std::string&, SOptions& o, std::string&) { return o.bNoClock = true; }},
        {"--serve", true,
         [](const std::string& v, SOptions& o, std::string& e) {
             // HOST:PORT or PORT; an IPv6 address in brackets.
             const std::size_t nColon = v.rfind(':');
             std::string strHost =
                 nColon == std::string::npos ? o.strServeHost : v.substr(0, nColon);
             if (strHost.size() > 2 && strHost.front() == '[' && strHost.back() == ']')
             {
                 strHost = strHost.substr(1, strHost.size() - 2);
             }
             int nPort = 0;
             if (strHost.empty() ||
                 !ToInt(nColon == std::string::npos ? v : v.substr(nColon + 1), 0, 65535, nPort))
             {
                 e = "expects [HOST:]PORT with a port from 0 to 65535, got '" + v + "'";
                 return false;
             }
             o.bServe = true;
             o.strServeHost = strHost;
             o.nServePort = static_cast<unsigned short>(nPort);
             return true;
         }},
    };
    return s_rows;
}

} // namespace

bool ParseOptions(int argc, const char* const* argv, SOptions& options, std::string& strError)
{
    std::set<std::string_view> given;
    for (int i = 1; i < argc; ++i)
    {
        std::string strArg = argv[i];
        // --serve without an address serves on the default one.
        if (strArg == "--serve" &&
            (i + 1 == argc || std::string_view(argv[i + 1]).starts_with("--")))
        {
            strArg = "--serve=127.0.0.1:2947";
        }
        const std::size_t nEquals = strArg.find('=');
        const std::string strName = strArg.substr(0, nEquals);
        const SOptionRow* pRow = nullptr;
        for (const SOptionRow& row : OptionTable())
        {
            if (strName == row.pszName)
            {
                pRow = &row;
            }
        }
        if (const SCommandOption* pCommand = FindCommandOption(strName))
        {
            if (!given.insert(pCommand->pszName).second)
            {
                strError = strName + " is given twice";
                return false;
            }
            std::string strValue;
            if (pCommand->pszValue != nullptr)
            {
                if (nEquals != std::string::npos)
                {
                    strValue = strArg.substr(nEquals + 1);
                }
                else if (i + 1 < argc)
                {
                    strValue = argv[++i];
                }
                else
                {
                    strError = strName + " needs a value";
                    return false;
                }
                std::string strExpected;
                if (!pCommand->pfnCheck(strValue, strExpected))
                {
                    strError = strName + " " + strExpected + ", got '" + strValue + "'";
                    return false;
                }
            }
            else if (nEquals != std::string::npos)
            {
                strError = strName + " takes no value";
                return false;
            }
            options.commands.push_back({pCommand, strValue});
            continue;
        }
        if (pRow == nullptr)
        {
            strError = strArg.rfind("-", 0) == 0 ? "unknown option '" + strArg + "'"
                                                 : "unexpected argument '" + strArg + "'";
            return false;
        }
        if (!given.insert(pRow->pszName).second)
        {
            strError = strName + " is given twice";
            return false;
        }
        std::string strValue;
        if (nEquals != std::string::npos)
        {
            if (!pRow->bTakesValue)
            {
                strError = strName + " takes no value";
                return false;
            }
            strValue = strArg.substr(nEquals + 1);
        }
        else if (pRow->bTakesValue)
        {
            if (i + 1 >= argc)
            {
                strError = strName + " needs a value";
                return false;
            }
            strValue = argv[++i];
        }
        if (pRow->bTakesValue && strValue.empty())
        {
            strError = strName + " needs a value";
            return false;
        }
        if (!pRow->store(strValue, options, strError))
        {
            if (strError.rfind("expects", 0) == 0)
            {
                strError = strName + " " + strError;
            }
            return false;
        }
    }

    const std::size_t nInputs =
        given.count("--device") + given.count("--emulate") + given.count("--replay");

    if (nInputs > 1)
    {
        strError = "--device, --emulate and --replay exclude each other";
        return false;
    }
    if (given.count("--fast") > 0 && options.bServe && options.eInput == EInput::Replay)
    {
        options.bServeFast = true;
    }
    else if (given.count("--fast") > 0)
    {
        if (options.eInput != EInput::Emulation)
        {
            strError = "--fast needs --emulate (or --replay with --serve)";
            return false;
        }
        options.eInput = EInput::FastEmulation;
    }
    if (options.bListModels && nInputs > 0)
    {
        strError = "--list-models takes no input";
        return false;
    }
    const bool bEnginePaced = options.eInput == EInput::Live || options.eInput == EInput::Emulation;
    if (options.dDurationSeconds && !bEnginePaced && !options.bServe)
    {
        strError = "--duration needs --device or --emulate without --fast (the other inputs end "
                   "by themselves)";
        return false;
    }
    if (!options.strLogRaw.empty() && options.eInput != EInput::Live)
    {
        strError = "--log-raw needs --device (it records the bytes read from the port)";
        return false;
    }
    if (!options.commands.empty())
    {
        if (options.eInput != EInput::Live)
        {
            strError = std::string(options.commands.front().pOption->pszName) +
                       " needs --device (commands go to a live receiver)";
            return false;
        }
        const SReceiverModel* pModel = FindReceiverModel(CString(options.strModel.c_str()));
        for (const SCommand& command : options.commands)
        {
            if (pModel != nullptr && !command.pOption->pfnAvailable(*pModel))
            {
                strError = "the model '" + options.strModel + "' has no command " +
                           command.pOption->pszName + " (--list-models shows what each accepts)";
                return false;
            }
        }
    }
    if (!CheckLiveRecovery(options, strError))
    {
        return false;
    }
    if (given.count("--data-log-interval") > 0 && options.strDataLog.empty())
    {
        strError = "--data-log-interval needs --data-log";
        return false;
    }
    return true;
}

const char* UsageText()
{
    return R"(Usage: fixora [options]

Runs a GPS receiver through the Fixora_Vorn library and prints every record that reaches the
program's main window. Without an input option it replays the sample stream of examples/.

Input (at most one):
  --device PATH          live: a receiver on the serial device PATH (mapped to COM1), or on
                         the library's port COMn when PATH is "COMn" (the only form on Windows)
  --emulate FILE         the library's emulation mode: one line of FILE every 500 ms, endlessly
  --emulate FILE --fast  FILE's lines framed exactly as the emulation mode frames them, without
                         the pause between lines, once through; then exits
  --replay FILE          FILE's bytes as a raw receiver stream, as fast as possible; then exits
                         (with --serve: paced by the fixes' UTC, unless --fast is given too)

Receiver:
  --model NAME           receiver model (default "NMEA-0183"); see --list-models
  --baud N|auto          baud rate of the live port (default: the model's stored or default rate);
                         auto: the model's rate, then 4800, 9600, 19200, 38400, 57600 and 115200,
                         each for up to 2 s, until one brings valid sentences (said on stderr)
  --reconnect            live: when the device goes away, say so on stderr, wait for it to come
                         back at its path and carry on (without it the run ends with status 1)
  --min-sats N           minimum satellite count of a fix (raised to 3 when smaller; default 4)
  --antenna-height M     antenna height in metres, taken off every altitude (default 0)
  --height-mode N        geoid separation in GGA: 0 ignore (default), 1 add, 2 subtract
  --profile FILE         the application profile (an INI file) that stores each model's baud rate
  --log-raw FILE         live: copy every byte read from the port into FILE (after a reconnect,
                         the new connection's bytes are in FILE.reconnected until it ends)
  --data-log NAME        write the raw epochs as a RINEX 2.11 observation file and the
                         ephemerides as a navigation file: NAME_<day><Mon>_<h>h<m>m<s>s.obs and
                         .nav (local time of the start); NAME is a path without any dot
  --data-log-interval S  one epoch every S seconds in the observation file (default 1)

Commands (with --device; several may be given, sent in order once the receiver has set itself
up, each where the model has it; --list-models shows which; replies print as status lines;
--duration bounds the commands too: one it cuts off is not sent, while one already under way
finishes its pauses, which for some models' --dgps take 10 s):
  --set-nmea default|gga-only   the sentences the receiver sends
  --query-nmea                  which sentences it sends
  --query-settings              its settings
  --set-elevation-mask DEG      the satellite elevation mask, 0 to 90 degrees
  --query-elevation-mask        the mask
  --beacon auto|FREQ[:RATE]     beacon tuning: automatic, or a frequency (kHz) with a bit rate
                                (bits per second; none: automatic bit rate)
  --query-beacon                the beacon's signal and tuning
  --dgps MODE                   differential source: off, beacon, lband, waas, cdgps or
                                omnistar_vbs
  --query-dgps                  the differential source
  --lband FREQ:RATE             the L-band channel: MHz (0: automatic) and bits per second
  --raw on|off                  raw measurement output
  --raw-interval SECONDS        raw output interval (switches it on where the model does)
  --reset                       back to the library's working configuration; each
                                acknowledgement shows as it arrives, then the result

Output:
  --collect              also print the text of every framed message
  --json                 one JSON object per line instead of text
  --no-clock             print the computer-clock stamp of each record as 0 (repeatable output)
  --duration SECONDS     live, emulation or --serve: stop after SECONDS (default: until
                         SIGINT/SIGTERM)
  --serve [HOST:]PORT    serve the records to gpsd-protocol clients (gpspipe, cgps, ...) on
                         TCP instead of printing them (default 127.0.0.1:2947); after the
                         input ends it serves on until SIGINT/SIGTERM or --duration
  --list-models          list the receiver models: default baud rate, capabilities, commands
  --help                 this text

A live run that brings nothing valid for 5 s says so once on stderr (try --baud auto).

Exit status: 0 success; 1 the receiver cannot be started, did not carry out a command (or the
run ended first) or its device went away (without --reconnect), --baud auto found no rate, or a
file cannot be read; 2 bad usage.
)";
}
