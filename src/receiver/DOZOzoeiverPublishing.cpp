// Receiver base: publishing the working records to the host's main window, the notification
// callbacks, and the GPS week of the computer's clock.
#include "port/Ack.h"
#include "receiver/DOZOzoeiver.h"
#include "receiver/GPSMessages.h"
#include "receiver/HostHandOver.h"
#include "receiver/RecordClock.h"

#include <algorithm>
#include <ctime>
#include <new>

namespace
{

// Below this speed (m/s) a receiver is taken as standing still: its heading means nothing.
constexpr double s_dStationarySpeed = 0.3;

} // namespace

// ---- publishing ------------------------------------------------------------------------------
// The result says whether the working record had news and was published (its flags reset);
// a host that could not take the copy does not make the message less accepted.

bool CDOZOzoeiver::PostNewData(bool bForce)
{
    if (!m_GPSData.m_bPosition && !bForce && !m_GPSData.m_Status.m_bNewStatus &&
        !m_GPSData.m_bProprietary)
    {
        return false;
    }
    auto* pData = new (std::nothrow) CGPSData(m_GPSData);
    if (pData == nullptr)
    {
        return false; // the working record keeps its flags for the next try
    }
    pData->m_Time = RecordClockNow();
    pData->m_nSatellitesInView = std::max(pData->m_nSatellitesInView, pData->m_nSatellitesUsed);

    if (m_GPSData.m_bPosition)
    {
        if (pData->m_dSpeed < s_dStationarySpeed)
        {
            pData->m_dSpeed = 0.0;
            pData->m_dHeading = 0.0;
        }
        m_GPSData.Invalidate(false);
    }
    if (m_GPSData.m_Status.m_bNewStatus)
    {
        m_GPSData.m_Status.Invalidate();
    }
    CAck::OnNewGPSData(pData);

    if (pData->m_bPosition || pData->m_bProprietary)
    {
        std::lock_guard lock(m_NotificationMutex);
        if (pData->m_bPosition)
        {
            m_Notification.m_Position = *pData;
        }
        if (pData->m_bProprietary)
        {
            m_Notification.m_Proprietary = *pData;
        }
    }
    PostToHost(WM_GPS_POSITION, pData);
    return true;
}

bool CDOZOzoeiver::PostNewDataRaw()
{
    if (!m_GPSDataRaw.m_bPosition)
    {
        return false; // no navigation record in this epoch yet
    }
    if (m_GPSDataRaw.GetNumSV() < 4)
    {
        m_GPSDataRaw.Clear(); // too few satellites for a solution: the epoch is dropped
        return false;
    }
    auto* pRaw = new (std::nothrow) CGPSDataRaw;
    if (pRaw == nullptr)
    {
        return false;
    }
    m_GPSDataRaw.m_nGPSWeek = m_GPSEphemeris.m_nWeek;
    if (m_GPSDataRaw.m_nGPSWeek < 1)
    {
        m_GPSDataRaw.m_nGPSWeek = GetGPSWeekNow();
    }
    *pRaw = m_GPSDataRaw;
    pRaw->m_Time = RecordClockNow();
    {
        std::lock_guard lock(m_NotificationMutex);
        m_Notification.m_Raw = *pRaw;
    }
    PostToHost(WM_GPS_RAWEPOCH, pRaw);
    m_GPSDataRaw.Clear();
    return true;
}

bool CDOZOzoeiver::PostEphemerisInfo()
{
    if (m_GPSEphemeris.m_nWeek < 1)
    {
        return false;
    }
    auto* pEphemeris = new (std::nothrow) CGPSDataEphemeris;
    {
        std::lock_guard lock(m_NotificationMutex);
        m_Notification.m_Ephemeris = m_GPSEphemeris;
    }
    // Callbacks hear of the ephemeris even when the host's copy could not be made.
    BroadcastNotification(GPS_NOTIFY_EPHEMERIS, &m_Notification);
    if (pEphemeris == nullptr)
    {
        return false;
    }
    *pEphemeris = m_GPSEphemeris;
    PostToHost(WM_GPS_EPHEMERIS, pEphemeris);
    return true;
}

// ---- notifications ---------------------------------------------------------------------------

void CDOZOzoeiver::AddNotificationCallback(GPSNotificationType eType,
                                           GPSNotificationCallback pfnCallback, void* pUserData)
{
    CNotificationData registration;
    registration.m_Type = eType;
    registration.m_pfnCallback = pfnCallback;
    registration.m_pUserData = pUserData;
    std::lock_guard lock(m_NotificationMutex);
    m_NotificationMap[eType] = registration;
}

bool CDOZOzoeiver::HasNotificationCallback(GPSNotificationType eType)
{
    std::lock_guard lock(m_NotificationMutex);
    const auto it = m_NotificationMap.find(eType);
    return it != m_NotificationMap.end() && it->second.m_pfnCallback != nullptr;
}

void CDOZOzoeiver::BroadcastNotification(GPSNotificationType eType, CGPSNotification* pNotification)
{
    CNotificationData registration;
    {
        std::lock_guard lock(m_NotificationMutex);
        const auto it = m_NotificationMap.find(eType);
        if (it == m_NotificationMap.end())
        {
            return;
        }
        registration = it->second;
    }
    // Called without the lock, so a callback may read the last records or register again.
    if (registration.m_pfnCallback != nullptr)
    {
        registration.m_pfnCallback(registration.m_Type, pNotification, registration.m_pUserData);
    }
}

// ---- GPS week ----------------------------------------------------------------------------------

double JulianDay(int nYear, int nMonth, int nDay, int nHour, int nMinute)
{
    const int y = nYear;
    const int m = nMonth;
    const int d = nDay;
    long long nJDN = 0;
    const bool bGregorian =
        y > 1582 || (y == 1582 && (m > 10 || (m == 10 && d >= 15))); // from 1582-10-15 on
    if (bGregorian)
    {
        nJDN = 367LL * y - 7LL * (y + (m + 9) / 12) / 4 - 3LL * ((y + (m - 9) / 7) / 100 + 1) / 4 +
               275LL * m / 9 + d + 1721029;
    }
    else
    {
        nJDN = 367LL * y - 7LL * (y + 5001 + (m - 9) / 7) / 4 + 275LL * m / 9 + d + 1729777;
    }
    return static_cast<double>(nJDN) + (nHour - 12 + nMinute / 60.0) / 24.0;
}

int GetGPSWeek(int nYear, int nMonth, int nDay, int nHour, int nMinute)
{
    const double dDays =
        JulianDay(nYear, nMonth, nDay, nHour, nMinute) - JulianDay(1980, 1, 6, 0, 0);
    return static_cast<int>(dDays) / 7;
}

int GetGPSWeekNow()
{
    std::tm local{};
    const std::time_t now = std::time(nullptr);
    const bool bLocal = GetLocalCalendarTime(now, local);
    if (!bLocal)
    {
        // No local time to be had: the week of the clock's own (UTC) seconds.
        constexpr std::time_t kGPSEpoch = 315964800; // 1980-01-06 00:00 UTC
        constexpr std::time_t kSecondsPerWeek = 7 * 24 * 3600;
        return static_cast<int>((now - kGPSEpoch) / kSecondsPerWeek);
    }
    return GetGPSWeek(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min);
}
