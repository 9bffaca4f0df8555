// Command options: one row each.
#include "Commands.h"

#include "NumberText.h"

#include <climits>
#include <cstdlib>

namespace
{

// The value's two parts around its first ":" (the second empty without one).
std::pair<std::string, std::string> Split(const std::string& strValue)
{
    const std::size_t nColon = strValue.find(':');
    if (nColon == std::string::npos)
    {
        return {strValue, ""};
    }
    return {strValue.substr(0, nColon), strValue.substr(nColon + 1)};
}

// The differential sources by name: the enumeration's names in lower case, with or without
// their "dgps_".
struct SDgpsName
{
    const char* pszName;
    DgpsMode eMode;
};
constexpr SDgpsName s_DgpsNames[] = {{"off", DGPS_OFF},     {"beacon", DGPS_BEACON},
                                     {"lband", DGPS_LBAND}, {"waas", DGPS_WAAS},
                                     {"cdgps", DGPS_CDGPS}, {"omnistar_vbs", DGPS_OMNISTAR_VBS}};

const SDgpsName* FindDgpsName(std::string strName)
{
    if (strName.rfind("dgps_", 0) == 0)
    {
        strName.erase(0, 5);
    }
    for (const SDgpsName& name : s_DgpsNames)
    {
        if (strName == name.pszName)
        {
            return &name;
        }
    }
    return nullptr;
}

bool NoValue(const std::string&, std::string&)
{
    return true;
}

bool CheckNmeaChoice(const std::string& strValue, std::string& strError)
{
    strError = "expects default or gga-only";
    return strValue == "default" || strValue == "gga-only";
}

bool CheckMask(const std::string& strValue, std::string& strError)
{
    int n = 0;
    strError = "expects a mask in whole degrees from 0 to 90";
    return ToInt(strValue, 0, 90, n);
}

// "auto", or a frequency with an optional bit rate after ":" (none: automatic).
bool CheckBeacon(const std::string& strValue, std::string& strError)
{
    strError = "expects auto or FREQUENCY[:BITRATE] (kHz, bits per second)";
    if (strValue == "auto")
    {
        return true;
    }
    const auto [strFrequency, strRate] = Split(strValue);
    double dFrequency = 0.0;
    int nRate = 0;
    return ToDouble(strFrequency, dFrequency) && dFrequency > 0.0 &&
           (strRate.empty() || ToInt(strRate, 1, INT_MAX, nRate));
}

bool CheckDgps(const std::string& strValue, std::string& strError)
{
    strError = "expects off, beacon, lband, waas, cdgps or omnistar_vbs";
    return FindDgpsName(strValue) != nullptr;
}

// A frequency in MHz (0: found automatically) and a bit rate.
bool CheckLband(const std::string& strValue, std::string& strError)
{
    strError = "expects FREQUENCY:BITRATE (MHz, 0 for automatic; bits per second)";
    const auto [strFrequency, strRate] = Split(strValue);
    double dFrequency = 0.0;
    int nRate = 0;
    return ToDouble(strFrequency, dFrequency) && dFrequency >= 0.0 &&
           ToInt(strRate, 0, 1000000, nRate);
}

bool CheckOnOff(const std::string& strValue, std::string& strError)
{
    strError = "expects on or off";
    return strValue == "on" || strValue == "off";
}

bool CheckInterval(const std::string& strValue, std::string& strError)
{
    double d = 0.0;
    strError = "expects a positive number of seconds up to 3600";
    return ToDouble(strValue, d) && d > 0.0 && d <= 3600.0;
}

template <unsigned nCapability> bool Claims(const SReceiverModel& model)
{
    return (model.m_nCapabilities & nCapability) != 0;
}

// Commands that no capability stands for: the model has them where its row has their script.
bool HasLband(const SReceiverModel& model)
{
    return !model.m_SetLbandFrequency.empty();
}

// The SiRF models set the differential source but cannot report it.
bool HasDgpsQuery(const SReceiverModel& model)
{
    return !model.m_QueryDgpsMode.empty();
}

} // namespace

const std::vector<SCommandOption>& CommandOptions()
{
    static const std::vector<SCommandOption> s_options = {
        {"--set-nmea", "default|gga-only", &CheckNmeaChoice, &Claims<MODEL_SET_NMEA>,
         [](CDOZOzoeiver& r, const std::string& v) {
             v == "default" ? r.SetDefaultNMEA() : r.SetGgaOnlyNMEA();
             return true;
         }},
        {"--query-nmea", nullptr, &NoValue, &Claims<MODEL_QUERY_NMEA>,
         [](CDOZOzoeiver& r, const std::string&) {
             r.QueryNmeaActive();
             return true;
         }},
        {"--query-settings", nullptr, &NoValue, &Claims<MODEL_QUERY_SETTINGS>,
         [](CDOZOzoeiver& r, const std::string&) {
             r.QueryGpsSettings();
             return true;
         }},
        {"--set-elevation-mask", "DEG", &CheckMask, &Claims<MODEL_ELEV_MASK>,
         [](CDOZOzoeiver& r, const std::string& v) {
             r.SetSatElevMask(std::atoi(v.c_str()));
             return true;
         }},
        {"--query-elevation-mask", nullptr, &NoValue, &Claims<MODEL_ELEV_MASK>,
         [](CDOZOzoeiver& r, const std::string&) {
             r.QuerySatElevMask();
             return true;
         }},
        {"--beacon", "auto|FREQ[:RATE]", &CheckBeacon, &Claims<MODEL_BEACON>,
         [](CDOZOzoeiver& r, const std::string& v) {
             if (v == "auto")
             {
                 r.SetBeacon(BEACON_MODE_AUTO, CString(), CString());
                 return true;
             }
             const auto [strFrequency, strRate] = Split(v);
             r.SetBeacon(BEACON_MODE_MANUAL, CString(strFrequency.c_str()),
                         CString(strRate.c_str()));
             return true;
         }},
        {"--query-beacon", nullptr, &NoValue, &Claims<MODEL_BEACON>,
         [](CDOZOzoeiver& r, const std::string&) {
             r.QueryBeacon();
             return true;
         }},
        {"--dgps", "MODE", &CheckDgps, &Claims<MODEL_DGPS>,
         [](CDOZOzoeiver& r, const std::string& v) {
             r.SetDgpsMode(FindDgpsName(v)->eMode);
             return true;
         }},
        {"--query-dgps", nullptr, &NoValue, &HasDgpsQuery,
         [](CDOZOzoeiver& r, const std::string&) {
             r.QueryDgpsMode();
             return true;
         }},
        {"--lband", "FREQ:RATE", &CheckLband, &HasLband,
         [](CDOZOzoeiver& r, const std::string& v) {
             const auto [strFrequency, strRate] = Split(v);
             r.SetLbandFrequency(std::strtod(strFrequency.c_str(), nullptr),
                                 std::atoi(strRate.c_str()));
             return true;
         }},
        {"--raw", "on|off", &CheckOnOff, &Claims<MODEL_RAW_DATA>,
         [](CDOZOzoeiver& r, const std::string& v) { return r.EnablePostProcessing(v == "on"); }},
        {"--raw-interval", "SECONDS", &CheckInterval, &Claims<MODEL_RAW_DATA>,
         [](CDOZOzoeiver& r, const std::string& v) {
             return r.SetRawDataOutputInterval(std::strtod(v.c_str(), nullptr));
         }},
        {"--reset", nullptr, &NoValue, &Claims<MODEL_RESET>,
         [](CDOZOzoeiver& r, const std::string&) { return r.ResetAll(true); }},
    };
    return s_options;
}

const SCommandOption* FindCommandOption(const std::string& strName)
{
    for (const SCommandOption& option : CommandOptions())
    {
        if (strName == option.pszName)
        {
            return &option;
        }
    }
    return nullptr;
}

std::string AvailableCommands(const SReceiverModel& model)
{
    std::string strList;
    for (const SCommandOption& option : CommandOptions())
    {
        if (option.pfnAvailable(model))
        {
            // Appended piece by piece: a concatenated temporary draws a false -Wrestrict from
            // GCC 12 at -O3.
            if (!strList.empty())
            {
                strList += ' ';
            }
            strList += option.pszName + 2;
        }
    }
    return strList.empty() ? "-" : strList;
}
