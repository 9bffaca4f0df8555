// Serving the run's records, paced when replaying.
#include "GpsdService.h"

#include <cstdio>
#include <thread>

namespace
{

// A larger step between two fixes' UTC is a gap in the recording, not a pause to reproduce.
constexpr double s_dMaxFixStep = 10.0;
// How long one wait may last: how late a stop signal or the end of the run is noticed.
constexpr std::chrono::milliseconds s_WaitStep(50);

} // namespace

CGpsdService::CGpsdService(SGpsdDevice device, bool bPaceByUtc)
    : m_Server(std::move(device)), m_bPaceByUtc(bPaceByUtc)
{
}

bool CGpsdService::Start(const std::string& strHost, unsigned short nPort, std::string& strError)
{
    if (!m_Server.Start(strHost, nPort, strError))
    {
        return false;
    }
    std::fprintf(stderr, "fixora: serving gpsd clients on %s\n", m_Server.Address().c_str());
    return true;
}

void CGpsdService::SetDuration(std::optional<double> dSeconds)
{
    if (dSeconds)
    {
        m_End = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(*dSeconds));
    }
}

bool CGpsdService::IsOver() const
{
    return StopSignal() != 0 || (m_End && Clock::now() >= *m_End);
}

void CGpsdService::PaceFix(double dUtcSeconds)
{
    const Clock::time_point now = Clock::now();
    Clock::time_point due = now;
    if (m_dLastFixUtc)
    {
        double dStep = dUtcSeconds - *m_dLastFixUtc;
        if (dStep < -43200.0)
        {
            dStep += 86400.0; // past midnight
        }
        if (dStep > 0.0 && dStep <= s_dMaxFixStep)
        {
            due = std::max(now, m_LastFixDue + std::chrono::duration_cast<Clock::duration>(
                                                   std::chrono::duration<double>(dStep)));
        }
    }
    while (!IsOver() && Clock::now() < due)
    {
        std::this_thread::sleep_for(std::min<Clock::duration>(s_WaitStep, due - Clock::now()));
    }
    m_dLastFixUtc = dUtcSeconds;
    m_LastFixDue = due;
}

void CGpsdService::OnPosition(const CGPSData& data)
{
    if (m_bPaceByUtc && data.m_bPosition)
    {
        PaceFix(data.m_dUTCTime);
    }
    m_Server.Publish(data);
}

void CGpsdService::OnText(const CString& strText)
{
    m_Server.PublishSentence(strText);
}

void CGpsdService::ServeToEnd()
{
    m_Server.EndDevice();
    while (!IsOver())
    {
        std::this_thread::sleep_for(s_WaitStep);
    }
}
