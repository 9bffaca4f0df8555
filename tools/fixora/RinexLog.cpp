// RINEX 2.11 files from raw epochs and ephemerides. Every header line is 60 columns of content and
// a 20-column label; observations are F14.3 fields, navigation values D19.12.
#include "RinexLog.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <numbers>

namespace
{

constexpr double s_dSecondsPerWeek = 604800.0;
constexpr double s_dSecondsPerDay = 86400.0;
constexpr double s_dStepTolerance = 0.001; // s: epochs at the interval are not dropped for jitter

struct SCalendar
{
    int nYear, nMonth, nDay, nHour, nMinute;
    double dSecond;
};

// GPS seconds since the GPS epoch to the calendar of GPS time.
SCalendar CalendarOf(double dGpsSeconds)
{
    using namespace std::chrono;
    constexpr sys_days kGpsEpoch{year{1980} / January / 6};
    const double dDays = std::floor(dGpsSeconds / s_dSecondsPerDay);
    double dOfDay = dGpsSeconds - dDays * s_dSecondsPerDay;
    const year_month_day date{kGpsEpoch + days{static_cast<long>(dDays)}};
    SCalendar c{};
    c.nYear = static_cast<int>(date.year());
    c.nMonth = static_cast<int>(static_cast<unsigned>(date.month()));
    c.nDay = static_cast<int>(static_cast<unsigned>(date.day()));
    c.nHour = static_cast<int>(dOfDay / 3600.0);
    dOfDay -= c.nHour * 3600.0;
    c.nMinute = static_cast<int>(dOfDay / 60.0);
    c.dSecond = dOfDay - c.nMinute * 60.0;
    return c;
}

std::string Printf(const char* pszFormat, auto... args)
{
    char szBuffer[256];
    std::snprintf(szBuffer, sizeof szBuffer, pszFormat, args...);
    return szBuffer;
}

// 60 columns of content, then the label.
std::string HeaderLine(const std::string& strContent, const char* pszLabel)
{
    std::string strLine = strContent.substr(0, 60);
    strLine.resize(60, ' ');
    return strLine + Printf("%-20s", pszLabel) + "\n";
}

// An observation of F14.3 and its two blank flags; blank where the value does not fit.
std::string Observation(double dValue)
{
    if (!std::isfinite(dValue) || std::fabs(dValue) >= 1e10)
    {
        return std::string(16, ' ');
    }
    return Printf("%14.3f  ", dValue);
}

// A D19.12 value; blank where it does not fit the field.
std::string D19(double dValue)
{
    if (!std::isfinite(dValue) || std::fabs(dValue) >= 1e99)
    {
        return std::string(19, ' ');
    }
    if (std::fabs(dValue) < 1e-99)
    {
        dValue = 0.0;
    }
    std::string strField = Printf("%19.12E", dValue);
    strField[strField.find('E')] = 'D';
    return strField;
}

std::string RunDate()
{
    const std::time_t now = std::time(nullptr);
    const std::tm* pUtc = std::gmtime(&now);
    if (pUtc == nullptr)
    {
        return std::string(20, ' ');
    }
    return Printf("%04d%02d%02d %02d%02d%02d UTC", pUtc->tm_year + 1900, pUtc->tm_mon + 1,
                  pUtc->tm_mday, pUtc->tm_hour, pUtc->tm_min, pUtc->tm_sec);
}

std::string ProgramLine()
{
    return HeaderLine(Printf("%-20s%-20s", "fixora", "Fixora_Vorn") + RunDate(),
                      "PGM / RUN BY / DATE");
}

} // namespace

CRinexLog::CRinexLog(const std::string& strReceiver) : CDataLog(nullptr), m_strReceiver(strReceiver)
{
}

CRinexLog::~CRinexLog()
{
    Close();
}

std::string CRinexLog::ObservationPath() const
{
    return ToSystemPath(GetFilename().GetString());
}

std::string CRinexLog::NavigationPath() const
{
    std::string strPath = ObservationPath();
    return strPath.substr(0, strPath.size() - 4) + ".nav";
}

CString CRinexLog::GetFileList() const
{
    return CString((ObservationPath() + " " + NavigationPath()).c_str());
}

bool CRinexLog::Check(std::ostream& file, const std::string& strPath)
{
    if (!file && !m_bFailed)
    {
        m_bFailed = true;
        m_strError = CString(("cannot write '" + strPath + "'").c_str());
    }
    return !m_bFailed;
}

bool CRinexLog::Open()
{
    if (m_bOpen)
    {
        return true;
    }
    const std::filesystem::path obs(GetFilename().GetString());
    m_Observations.open(obs, std::ios::binary | std::ios::trunc);
    m_Navigation.open(std::filesystem::path(obs).replace_extension(".nav"),
                      std::ios::binary | std::ios::trunc);
    if (!m_Observations || !m_Navigation)
    {
        m_bFailed = true;
        m_strError = CString(
            ("cannot create '" + (m_Observations ? NavigationPath() : ObservationPath()) + "'")
                .c_str());
        m_Observations.close();
        m_Navigation.close();
        return false;
    }
    m_bOpen = true;
    m_Navigation << HeaderLine(Printf("%9.2f%11s%-20s%-20s", 2.11, "", "N: GPS NAV DATA", ""),
                               "RINEX VERSION / TYPE")
                 << ProgramLine() << HeaderLine("", "END OF HEADER");
    return Check(m_Navigation, NavigationPath());
}

void CRinexLog::SetApproximatePosition(double dLatitude, double dLongitude, double dHeight)
{
    m_dLatitude = dLatitude;
    m_dLongitude = dLongitude;
    m_dHeight = dHeight;
    m_bHavePosition = true;
}

bool CRinexLog::WriteObservationHeader(double dFirstEpoch)
{
    double dX = 0.0;
    double dY = 0.0;
    double dZ = 0.0;
    GeodeticToEcef(m_dLatitude * std::numbers::pi / 180.0, m_dLongitude * std::numbers::pi / 180.0,
                   m_dHeight, dX, dY, dZ);
    const std::string strMarker = std::filesystem::path(ObservationPath()).stem().string();
    const SCalendar first = CalendarOf(dFirstEpoch);
    std::ostream& out = m_Observations;
    out << HeaderLine(Printf("%9.2f%11s%-20s%-20s", 2.11, "", "OBSERVATION DATA", "G (GPS)"),
                      "RINEX VERSION / TYPE")
        << ProgramLine() << HeaderLine(strMarker, "MARKER NAME")
        << HeaderLine("", "OBSERVER / AGENCY")
        << HeaderLine(Printf("%-20s%-20s%-20s", "", m_strReceiver.substr(0, 20).c_str(), ""),
                      "REC # / TYPE / VERS")
        << HeaderLine("", "ANT # / TYPE")
        << HeaderLine(Printf("%14.4f%14.4f%14.4f", dX, dY, dZ), "APPROX POSITION XYZ")
        << HeaderLine(Printf("%14.4f%14.4f%14.4f", GetAntennaHeight(), 0.0, 0.0),
                      "ANTENNA: DELTA H/E/N")
        << HeaderLine(Printf("%6d%6d", 1, 0), "WAVELENGTH FACT L1/2")
        << HeaderLine(Printf("%6d%6s%6s%6s", 3, "C1", "L1", "D1"), "# / TYPES OF OBSERV");
    m_nIntervalLine = out.tellp();
    out << HeaderLine(Printf("%10.3f", GetLogInterval()), "INTERVAL")
        << HeaderLine(Printf("%6d%6d%6d%6d%6d%13.7f%5s%3s", first.nYear, first.nMonth, first.nDay,
                             first.nHour, first.nMinute, first.dSecond, "", "GPS"),
                      "TIME OF FIRST OBS")
        << HeaderLine("", "END OF HEADER");
    m_bHaveHeader = true;
    return Check(m_Observations, ObservationPath());
}

bool CRinexLog::WriteEpoch(const CGPSDataRaw& epoch)
{
    if (!m_bOpen || m_bFailed || epoch.m_nNumSV < 1)
    {
        return false;
    }
    // The receiver's time of the epoch, in the GPS week the record carries.
    const double dEpoch = epoch.m_nGPSWeek * s_dSecondsPerWeek + epoch.m_dReceiverTime;
    if (!std::isfinite(dEpoch) || dEpoch < 0.0)
    {
        return false;
    }
    if (m_nEpochs > 0)
    {
        const double dStep = dEpoch - m_dLastEpoch;
        if (dStep < GetLogInterval() - s_dStepTolerance)
        {
            return false; // within the log interval of the last epoch written (or before it)
        }
        m_dShortestStep = m_dShortestStep > 0.0 ? std::min(m_dShortestStep, dStep) : dStep;
    }
    if (!m_bHaveHeader)
    {
        if (!m_bHavePosition && epoch.m_bPosition)
        {
            SetApproximatePosition(epoch.m_dLatitude, epoch.m_dLongitude, epoch.m_dHeight);
        }
        if (!WriteObservationHeader(dEpoch))
        {
            return false;
        }
    }
    const SCalendar c = CalendarOf(dEpoch);
    const int nSatellites = std::min(epoch.m_nNumSV, CGPSDataRaw::MaxSatellites);
    std::string strEpoch = Printf(" %02d %2d %2d %2d %2d%11.7f  %1d%3d", c.nYear % 100, c.nMonth,
                                  c.nDay, c.nHour, c.nMinute, c.dSecond, 0, nSatellites);
    std::string strValues;
    for (int i = 0; i < nSatellites; ++i)
    {
        const CGPSSatelliteDataRaw& sv = epoch.m_Satellites[i];
        strEpoch += Printf("G%02d", sv.m_nPRN % 100);
        strValues += Observation(sv.m_dPseudorange) + Observation(sv.m_dCarrierPhase) +
                     Observation(sv.m_dDoppler) + "\n";
    }
    m_Observations << strEpoch << "\n" << strValues;
    m_dLastEpoch = dEpoch;
    ++m_nEpochs;
    return Check(m_Observations, ObservationPath());
}

bool CRinexLog::WriteEphemeris(const CGPSDataEphemeris& e)
{
    if (!m_bOpen || m_bFailed || e.m_nWeek < 1 || e.m_nPRN < 1 || e.m_nPRN > 99)
    {
        return false;
    }
    if (!m_Written.insert({e.m_nPRN, e.m_nTOE, e.m_nAODE}).second)
    {
        return false; // the receiver repeats an ephemeris until it changes
    }
    // Broadcast angles are semicircles; RINEX takes radians.
    constexpr double kPi = std::numbers::pi;
    const SCalendar toc = CalendarOf(e.m_nWeek * s_dSecondsPerWeek + e.m_nTOC);
    std::string strRecord = Printf("%2d %02d %2d %2d %2d %2d%5.1f", e.m_nPRN, toc.nYear % 100,
                                   toc.nMonth, toc.nDay, toc.nHour, toc.nMinute, toc.dSecond) +
                            D19(e.m_dAF0) + D19(e.m_dAF1) + D19(e.m_dAF2) + "\n";
    const double orbit[7][4] = {
        {double(e.m_nAODE), e.m_dCrs, e.m_dDeltaN * kPi, e.m_dM0 * kPi},
        {e.m_dCuc, e.m_dE, e.m_dCus, e.m_dRootA},
        {double(e.m_nTOE), e.m_dCic, e.m_dOmega0 * kPi, e.m_dCis},
        {e.m_dI0 * kPi, e.m_dCrc, e.m_dOmega * kPi, e.m_dOmegaDot * kPi},
        {e.m_dIDot * kPi, 0.0, double(e.m_nWeek), 0.0},
        {0.0, 0.0, e.m_dTGD, double(e.m_nAODC)},
        {double(e.m_nTOW), 0.0, 0.0, 0.0},
    };
    for (int nLine = 0; nLine < 7; ++nLine)
    {
        strRecord += "   ";
        // The last line holds the transmission time and the fit interval only.
        for (int i = 0; i < (nLine == 6 ? 2 : 4); ++i)
        {
            strRecord += D19(orbit[nLine][i]);
        }
        strRecord += "\n";
    }
    m_Navigation << strRecord;
    ++m_nEphemerides;
    return Check(m_Navigation, NavigationPath());
}

void CRinexLog::Flush()
{
    if (m_bOpen)
    {
        m_Observations.flush();
        m_Navigation.flush();
        Check(m_Observations, ObservationPath()) && Check(m_Navigation, NavigationPath());
    }
}

void CRinexLog::Close()
{
    if (!m_bOpen)
    {
        return;
    }
    m_bOpen = false;
    if (m_bHaveHeader && m_dShortestStep > 0.0 && m_nIntervalLine >= 0)
    {
        // The interval the epochs were written at, over the placeholder of the same width.
        m_Observations.seekp(m_nIntervalLine);
        m_Observations << HeaderLine(Printf("%10.3f", m_dShortestStep), "INTERVAL");
        m_Observations.seekp(0, std::ios::end);
    }
    Flush();
    m_Observations.close();
    m_Navigation.close();
    std::error_code error;
    if (m_nEpochs == 0)
    {
        std::filesystem::remove(std::filesystem::path(GetFilename().GetString()), error);
    }
    if (m_nEphemerides == 0)
    {
        std::filesystem::remove(
            std::filesystem::path(GetFilename().GetString()).replace_extension(".nav"), error);
    }
}
