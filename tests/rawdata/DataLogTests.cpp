// The raw-data log's shared code: readiness, file names (given and made from the clock), the
// port name, and the status line with the elapsed time.
#include "rawdata/DataLog.h"

#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <utility>

namespace
{

// The least a writer is: the library's code under test, the rest inert.
class CTestLog : public CDataLog
{
public:
    CTestLog() : CDataLog(nullptr) {}
    bool Open() override { return false; }
    void Close() override {}
    bool IsOpen() const override { return false; }
    void Flush() override {}
    CString GetFileExtension() override { return L".obs"; }
    bool WriteEpoch(const CGPSDataRaw&) override { return false; }
    bool WriteEphemeris(const CGPSDataEphemeris&) override { return false; }
    void SetApproximatePosition(double, double, double) override {}
    int GetNumEphemerides() const override { return 0; }
    bool HasFailed() const override { return false; }
    int GetNumEpochs() override { return 12; }
    CString GetErrorText() const override { return {}; }
    CString GetFileList() const override { return {}; }

    // The elapsed-time count as if it had started nSeconds ago.
    void StartedSecondsAgo(std::int64_t nSeconds)
    {
        m_TimeMark = static_cast<std::int64_t>(std::time(nullptr)) - nSeconds;
    }
    CString Port() const { return m_strPort; }
};

} // namespace

TEST(DataLog, ReadinessPortNameAndStatusLine)
{
    CTestLog log;
    EXPECT_FALSE(log.IsReady());
    log.SetFilename(L"survey");
    EXPECT_FALSE(log.IsReady()) << "not enabled";
    log.Enable(true);
    EXPECT_TRUE(log.IsReady());
    // The shortest interval is a tenth of a second, itself allowed.
    for (const auto& [dInterval, bReady] : {std::pair{0.05, false}, {0.0999, false}, {0.1, true}})
    {
        log.SetLogInterval(dInterval);
        EXPECT_EQ(bReady, log.IsReady()) << dInterval;
    }
    for (const auto& [nPort, pszName] : {std::pair{0, L"COM1"}, {2, L"COM2"}, {3, L"COM1"}})
    {
        log.SetPort(nPort);
        EXPECT_EQ(CString(pszName), log.Port());
    }
    log.StartedSecondsAgo(7 * 60 + 5);
    EXPECT_EQ(CString(L"Num Epochs: 12, Time: 7 min."), log.GetStatusString());
    log.StartedSecondsAgo(25 * 3600 + 10 * 60);
    EXPECT_EQ(70, log.GetMinutesElapsed()) << "whole days are not counted";
}

TEST(DataLog, NamesAreCutAtTheirFirstDotAndDefaultOnesCarryTheLocalTime)
{
    CTestLog log;
    const std::pair<const wchar_t*, const wchar_t*> names[] = {
        {L"a.b.c", L"a.obs"}, {L"data", L"data.obs"}, {L"/tmp/x.y/day", L"/tmp/x.obs"}};
    for (const auto& [name, stored] : names)
    {
        EXPECT_TRUE(log.SetFilename(name));
        EXPECT_EQ(CString(stored), log.GetFilename());
    }

    const std::time_t now = std::time(nullptr);
    EXPECT_TRUE(log.SetDefaultFilename(L"plot.dat"));
    const std::string strName = log.GetFilename().ToNarrow();
    std::smatch match;
    ASSERT_TRUE(std::regex_match(
        strName, match, std::regex(R"(plot_(\d+)([A-Z][a-z]{2})_(\d+)h(\d+)m(\d+)s\.obs)")))
        << strName;
    std::tm local{};
    ASSERT_TRUE(GetLocalCalendarTime(now, local));
    char szMonth[8] = {};
    std::strftime(szMonth, sizeof szMonth, "%b", &local); // English: the C locale
    EXPECT_EQ(std::to_string(local.tm_mday), match[1]);
    EXPECT_EQ(szMonth, match[2]);
    EXPECT_EQ(std::to_string(local.tm_hour), match[3]) << "no leading zeros";
}
