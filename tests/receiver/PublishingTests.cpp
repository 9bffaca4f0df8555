// Publishing the working records to the host: when a position record is published and what the
// copy carries, the raw epoch and ephemeris publishers, hosts that cannot take a record, the
// notification callbacks, the last-record accessors across threads, and the GPS week.
#include "port/Ack.h"
#include "support/HostWindow.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace
{

class PublishingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        CAck::m_bGotAck = false;
    }

    static CGPSData& Work() { return CDOZOzoeiver::m_GPSData; }

    CProbeReceiver m_rx;
};

// A letter for each flag set: Position, Motion, Dop, in View, Satellites, pRoprietary, Error
// estimate, New status; so one comparison shows every flag.
std::string Flags(const CGPSData& d)
{
    std::string s;
    const bool flags[] = {
        d.m_bPosition,   d.m_bMotion,      d.m_bDOP,           d.m_bSatellitesInView,
        d.m_bSatellites, d.m_bProprietary, d.m_bErrorEstimate, d.m_Status.m_bNewStatus};
    for (int i = 0; i < 8; ++i)
        s += flags[i] ? "PMDVSREN"[i] : '-';
    return s;
}

// Sets the flags a word of Flags names and clears the others.
void SetFlags(CGPSData& d, const std::string& s)
{
    bool* flags[] = {
        &d.m_bPosition,   &d.m_bMotion,      &d.m_bDOP,           &d.m_bSatellitesInView,
        &d.m_bSatellites, &d.m_bProprietary, &d.m_bErrorEstimate, &d.m_Status.m_bNewStatus};
    for (int i = 0; i < 8; ++i)
        *flags[i] = s[i] != '-';
}

bool StampedNow(GPSTime32 stamp)
{
    const auto now = static_cast<long long>(std::time(nullptr));
    return stamp >= now - 5 && stamp <= now + 1;
}

// A raw epoch with a navigation record and nSatellites measurements.
void FillRawEpoch(int nSatellites)
{
    CGPSDataRaw& raw = CDOZOzoeiver::m_GPSDataRaw;
    raw.m_bPosition = true;
    raw.m_dLatitude = 47.5;
    raw.m_nNumSV = nSatellites;
    for (int i = 0; i < nSatellites; ++i)
    {
        raw.m_Satellites[i].m_nPRN = 3 + i;
        raw.m_Satellites[i].m_bValid = true;
    }
}

} // namespace

TEST_F(PublishingTest, PositionRecordCopies)
{
    // The working record's flags before, forced, speed, satellites used and in view; published,
    // the copy's speed, heading and in-view count, the working record's flags after.
    const std::tuple<const char*, bool, double, int, int, bool, double, double, int, const char*>
        rows[] = {
            {"-M-VS---", false, 5.0, 4, 8, false, 0, 0, 0, "-M-VS---"},     // nothing new
            {"PM-VS---", false, 0.2, 4, 8, true, 0.0, 0.0, 8, "---V----"},  // slow: stands still
            {"PM-VS---", false, 0.3, 4, 8, true, 0.3, 1.5, 8, "---V----"},  // moves from 0.3 m/s
            {"PM-VS---", false, 2.0, 5, 3, true, 2.0, 1.5, 5, "---V----"},  // in view raised
            {"-M-VS---", true, 0.2, 4, 8, true, 0.2, 1.5, 8, "-M-VS---"},   // forced without fix
            {"-M-VS--N", false, 2.0, 4, 8, true, 2.0, 1.5, 8, "-M-VS---"},  // status only
            {"-M-VSR--", false, 2.0, 4, 8, true, 2.0, 1.5, 8, "-M-VSR--"},  // proprietary only
            {"PM-VS--N", false, 2.0, 4, 8, true, 2.0, 1.5, 8, "---V----"}}; // fix and status
    for (const auto& [before, bForce, dSpeed, nUsed, nInView, bPublished, dCopySpeed, dCopyHeading,
                      nCopyInView, after] : rows)
    {
        SCOPED_TRACE(testing::Message() << before << " at " << dSpeed);
        ResetSharedReceiverState();
        CHostWindow host;
        CGPSData& work = Work();
        SetFlags(work, before);
        work.m_Status.m_bElevMask = work.m_Status.m_bNewStatus;
        work.m_Status.m_nElevMask = 10;
        work.m_dSpeed = dSpeed;
        work.m_dHeading = 1.5;
        work.m_nSatellitesUsed = nUsed;
        work.m_nSatellitesInView = nInView;
        work.m_dLatitude = 0.8;
        work.m_Time = 0;

        EXPECT_EQ(bPublished, m_rx.PostNewData(bForce));
        host.Pump();
        const auto positions = host.Positions();
        ASSERT_EQ(bPublished ? 1u : 0u, positions.size());
        // The working record keeps its values; only flags change.
        EXPECT_EQ(after, Flags(work));
        EXPECT_EQ(work.m_Status.m_bNewStatus, work.m_Status.m_bElevMask);
        EXPECT_EQ(std::make_tuple(dSpeed, 1.5, nInView),
                  std::make_tuple(work.m_dSpeed, work.m_dHeading, work.m_nSatellitesInView));
        if (bPublished)
        {
            const CGPSData& copy = *positions[0].pPosition;
            EXPECT_EQ(before, Flags(copy));
            EXPECT_EQ(copy.m_Status.m_bNewStatus, copy.m_Status.m_bElevMask);
            EXPECT_EQ(std::make_tuple(dCopySpeed, dCopyHeading, nCopyInView, nUsed, 0.8, 10),
                      std::make_tuple(copy.m_dSpeed, copy.m_dHeading, copy.m_nSatellitesInView,
                                      copy.m_nSatellitesUsed, copy.m_dLatitude,
                                      copy.m_Status.m_nElevMask));
            EXPECT_TRUE(StampedNow(copy.m_Time)) << copy.m_Time;
        }
    }
}

TEST_F(PublishingTest, AcknowledgementAndLastRecordsFollowThePublications)
{
    CHostWindow host;
    CGPSData last;
    EXPECT_FALSE(m_rx.GetLastGPSPositionData(last)) << "nothing published yet";
    EXPECT_FALSE(m_rx.GetLastGPSProprietaryMessage(last));

    Work().m_bPosition = true;
    Work().m_dLatitude = 0.25;
    Work().m_dSpeed = 0.1;
    Work().m_dHeading = 2.0;
    ASSERT_TRUE(m_rx.PostNewData(false));
    EXPECT_FALSE(CAck::m_bGotAck.load()) << "a record without the acknowledgement";
    ASSERT_TRUE(m_rx.GetLastGPSPositionData(last));
    EXPECT_EQ(0.25, last.m_dLatitude);
    EXPECT_EQ(0.0, last.m_dHeading) << "the record as the host got it";

    // A forced update without a fix carrying the acknowledgement leaves the last position alone.
    Work().m_dLatitude = 0.5;
    Work().m_Status.m_bAckReceived = Work().m_Status.m_bNewStatus = true;
    ASSERT_TRUE(m_rx.PostNewData(true));
    EXPECT_TRUE(CAck::m_bGotAck.load());
    EXPECT_FALSE(Work().m_Status.m_bAckReceived) << "the working status is reset";
    ASSERT_TRUE(m_rx.GetLastGPSPositionData(last));
    EXPECT_EQ(0.25, last.m_dLatitude);
    EXPECT_FALSE(m_rx.GetLastGPSProprietaryMessage(last));

    Work().m_bProprietary = true;
    std::snprintf(Work().m_szProprietary, sizeof(Work().m_szProprietary), "$PFOO,1,2");
    ASSERT_TRUE(m_rx.PostNewData(false));
    ASSERT_TRUE(m_rx.GetLastGPSProprietaryMessage(last));
    EXPECT_STREQ("$PFOO,1,2", last.m_szProprietary);
    host.Pump();
    ASSERT_EQ(3u, host.Positions().size());
    EXPECT_TRUE(host.Positions()[1].pPosition->m_Status.m_bAckReceived);
}

TEST_F(PublishingTest, RawEpochs)
{
    // Navigation record, satellites, week of the ephemeris; published, the epoch cleared.
    const std::tuple<bool, int, std::int16_t, bool, bool> rows[] = {
        {false, 6, 2300, false, false}, // no navigation record yet: kept for later
        {true, 3, 2300, false, true},   // 3 satellites: dropped
        {true, 4, 2300, true, true},    // 4 satellites: week of the ephemeris
        {true, 4, 0, true, true}};      // no ephemeris: week of the clock
    for (const auto& [bNavigation, nSatellites, nEphemerisWeek, bPublished, bCleared] : rows)
    {
        SCOPED_TRACE(testing::Message() << nSatellites << " satellites, week " << nEphemerisWeek);
        ResetSharedReceiverState();
        CHostWindow host;
        FillRawEpoch(nSatellites);
        CDOZOzoeiver::m_GPSDataRaw.m_bPosition = bNavigation;
        CDOZOzoeiver::m_GPSEphemeris.m_nWeek = nEphemerisWeek;
        const int nClockWeekBefore = GetGPSWeekNow();
        EXPECT_EQ(bPublished, m_rx.PostNewDataRaw());
        const int nClockWeekAfter = GetGPSWeekNow();
        EXPECT_GE(nClockWeekBefore, 2296);
        host.Pump();
        EXPECT_EQ(std::make_tuple(bCleared ? 0 : nSatellites, !bCleared && bNavigation),
                  std::make_tuple(CDOZOzoeiver::m_GPSDataRaw.GetNumSV(),
                                  CDOZOzoeiver::m_GPSDataRaw.m_bPosition));
        ASSERT_EQ(bPublished ? 1u : 0u, host.Only(WM_GPS_RAWEPOCH).size());
        if (bPublished)
        {
            const CGPSDataRaw& copy = *host.m_Messages[0].pRaw;
            EXPECT_EQ(
                std::make_tuple(nSatellites, 47.5, 6),
                std::make_tuple(copy.GetNumSV(), copy.m_dLatitude, copy.m_Satellites[3].m_nPRN));
            EXPECT_TRUE(StampedNow(copy.m_Time));
            EXPECT_GE(copy.m_nGPSWeek, nEphemerisWeek > 0 ? nEphemerisWeek : nClockWeekBefore);
            EXPECT_LE(copy.m_nGPSWeek, nEphemerisWeek > 0 ? nEphemerisWeek : nClockWeekAfter);
            CGPSDataRaw last;
            m_rx.GetLastGPSRawData(last);
            EXPECT_EQ(std::make_tuple(copy.m_nGPSWeek, nSatellites),
                      std::make_tuple(last.m_nGPSWeek, last.GetNumSV()));
        }
    }
}

namespace
{

// The calls: kind, user data, the notification's satellite and the one the receiver's last
// ephemeris holds while it is being called.
std::vector<std::tuple<GPSNotificationType, void*, int, int>> g_Calls;
CDOZOzoeiver* g_pReceiver = nullptr;

extern "C" void Record(GPSNotificationType eType, CGPSNotification* pNotification, void* pUserData)
{
    CGPSDataEphemeris last;
    g_pReceiver->GetLastGPSEphemerisData(last);
    g_Calls.emplace_back(eType, pUserData, pNotification->m_Ephemeris.m_nPRN, last.m_nPRN);
}

} // namespace

TEST_F(PublishingTest, EphemerisIsBroadcastToTheOneRegisteredCallbackThenPosted)
{
    g_Calls.clear();
    g_pReceiver = &m_rx;
    int nFirst = 0;
    int nSecond = 0;
    CHostWindow host;
    EXPECT_FALSE(m_rx.HasNotificationCallback(GPS_NOTIFY_EPHEMERIS));
    m_rx.AddNotificationCallback(GPS_NOTIFY_EPHEMERIS, &Record, &nFirst);
    m_rx.AddNotificationCallback(GPS_NOTIFY_EPHEMERIS, &Record, &nSecond); // replaces the first
    EXPECT_TRUE(m_rx.HasNotificationCallback(GPS_NOTIFY_EPHEMERIS));
    EXPECT_FALSE(m_rx.HasNotificationCallback(GPS_NOTIFY_RAW));

    CDOZOzoeiver::m_GPSEphemeris.m_nPRN = 17;
    CDOZOzoeiver::m_GPSEphemeris.m_nWeek = 0;
    EXPECT_FALSE(m_rx.PostEphemerisInfo()) << "week 0: no ephemeris held";
    host.Pump();
    EXPECT_TRUE(host.m_Messages.empty());
    EXPECT_TRUE(g_Calls.empty());

    CDOZOzoeiver::m_GPSEphemeris.m_nWeek = 2296;
    CDOZOzoeiver::m_GPSEphemeris.m_dRootA = 5153.6;
    EXPECT_TRUE(m_rx.PostEphemerisInfo());
    CGPSNotification payload;
    m_rx.BroadcastNotification(GPS_NOTIFY_POSITION, &payload); // other kind: not called
    // Once, to the second registration, with the new ephemeris, which it may read back too.
    const std::vector<std::tuple<GPSNotificationType, void*, int, int>> once{
        {GPS_NOTIFY_EPHEMERIS, &nSecond, 17, 17}};
    EXPECT_EQ(once, g_Calls);
    host.Pump();
    ASSERT_EQ(1u, host.Only(WM_GPS_EPHEMERIS).size());
    EXPECT_EQ(std::make_tuple(17, 5153.6),
              std::make_tuple(host.m_Messages[0].pEphemeris->m_nPRN,
                              host.m_Messages[0].pEphemeris->m_dRootA));

    m_rx.AddNotificationCallback(GPS_NOTIFY_EPHEMERIS, nullptr, &nFirst);
    EXPECT_FALSE(m_rx.HasNotificationCallback(GPS_NOTIFY_EPHEMERIS)) << "a null callback removes";
    EXPECT_TRUE(m_rx.PostEphemerisInfo());
    EXPECT_EQ(once, g_Calls);
}

TEST_F(PublishingTest, HostsThatCannotTakeARecordLoseNothing)
{
    // Every copy that could not be posted is deleted (the sanitizer build sees any leak); the
    // working records are published all the same.
    CWnd gone;
    ASSERT_TRUE(gone.Create());
    ASSERT_TRUE(gone.DestroyWindow());
    CWnd never;
    CWnd* const pPrevious = AfxGetApp()->m_pMainWnd;
    for (CWnd* pMainWnd : {static_cast<CWnd*>(nullptr), &gone, &never})
    {
        ResetSharedReceiverState();
        AfxGetApp()->m_pMainWnd = pMainWnd;
        Work().m_bPosition = true;
        EXPECT_TRUE(m_rx.PostNewData(false));
        EXPECT_FALSE(Work().m_bPosition);
        FillRawEpoch(5);
        CDOZOzoeiver::m_GPSEphemeris.m_nWeek = 2000;
        EXPECT_TRUE(m_rx.PostNewDataRaw());
        EXPECT_EQ(0, CDOZOzoeiver::m_GPSDataRaw.GetNumSV());
        EXPECT_TRUE(m_rx.PostEphemerisInfo());
    }
    AfxGetApp()->m_pMainWnd = pPrevious;
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
        << "nothing became a thread message";
}

TEST_F(PublishingTest, HostReadsLastRecordsWhilePublishingGoesOn)
{
    // Fixes whose latitude and longitude are equal: a torn record would differ.
    CHostWindow host;
    constexpr int kFixes = 2000;
    std::atomic<bool> bDone{false};
    std::thread acquisition([&] {
        for (int i = 1; i <= kFixes; ++i)
        {
            Work().m_bPosition = true;
            Work().m_dLatitude = Work().m_dLongitude = i;
            m_rx.PostNewData(false);
            if (i % 100 == 0)
            {
                CDOZOzoeiver::m_GPSEphemeris.m_nWeek = static_cast<std::int16_t>(2000 + i / 100);
                m_rx.PostEphemerisInfo();
            }
        }
        bDone = true;
    });
    int nTorn = 0;
    int nBackwards = 0;
    double dPrevious = 0.0;
    while (!bDone)
    {
        CGPSData last;
        if (m_rx.GetLastGPSPositionData(last))
        {
            nTorn += last.m_dLatitude != last.m_dLongitude ? 1 : 0;
            nBackwards += last.m_dLatitude < dPrevious ? 1 : 0;
            dPrevious = last.m_dLatitude;
        }
        m_rx.AddNotificationCallback(GPS_NOTIFY_EPHEMERIS, nullptr, nullptr);
        CGPSDataEphemeris ephemeris;
        m_rx.GetLastGPSEphemerisData(ephemeris);
    }
    acquisition.join();
    EXPECT_EQ(0, nTorn);
    EXPECT_EQ(0, nBackwards);
    ASSERT_TRUE(host.WaitFor(kFixes + kFixes / 100, 10000));
    EXPECT_EQ(static_cast<std::size_t>(kFixes), host.Positions().size());
}

TEST(GPSWeek, WeeksAndJulianDaysFromCalendarDates)
{
    // Year, month, day, hour, minute; the GPS week (-1: before the GPS time scale), Julian day.
    // clang-format off
    const std::tuple<int, int, int, int, int, int, double> rows[] = {
        {1980, 1, 6, 0, 0, 0, 2444244.5},            {1980, 1, 13, 0, 0, 1, 2444251.5},
        {1999, 8, 22, 0, 0, 1024, 2451412.5},        {1999, 8, 21, 23, 59, 1023, 2451412.4993056},
        {2000, 2, 29, 12, 0, 1051, 2451604.0},       {2019, 4, 7, 0, 0, 2048, 2458580.5},
        {2024, 1, 6, 23, 59, 2295, 2460316.4993056}, {2024, 1, 7, 0, 0, 2296, 2460316.5},
        {2000, 1, 1, 12, 0, 1042, 2451545.0},        {2000, 1, 1, 18, 15, 1042, 2451545.2604167},
        {1582, 10, 15, 0, 0, -1, 2299160.5},         {1582, 10, 4, 12, 0, -1, 2299160.0},
        {-4712, 1, 1, 12, 0, -1, 0.0}};
    // clang-format on
    for (const auto& [nYear, nMonth, nDay, nHour, nMinute, nWeek, dJulianDay] : rows)
    {
        SCOPED_TRACE(testing::Message() << nYear << "-" << nMonth << "-" << nDay << " " << nHour);
        if (nWeek >= 0)
        {
            EXPECT_EQ(nWeek, GetGPSWeek(nYear, nMonth, nDay, nHour, nMinute));
        }
        EXPECT_NEAR(dJulianDay, JulianDay(nYear, nMonth, nDay, nHour, nMinute), 1e-6);
    }
}
