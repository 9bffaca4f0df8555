// SIGINT and SIGTERM as a request to stop: the program's runs end cleanly on them.
#pragma once

// Catches SIGINT and SIGTERM for its lifetime; the one that came is read with StopSignal().
class CStopSignals
{
public:
    CStopSignals();
    ~CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

private:
    void (*m_pfnInt)(int);
    void (*m_pfnTerm)(int);
};

// The stop signal caught since the outermost CStopSignals was made, or 0.
int StopSignal();
