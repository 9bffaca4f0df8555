// CRinexLog: fixora's raw-data log. Raw epochs go into a RINEX 2.11 observation file (C1, L1 and
// D1 of every satellite, one epoch per log interval), ephemerides into a RINEX 2.11 GPS
// navigation file beside it; post-processing packages read both.
#pragma once

#include "Fixora_Vorn.h"

#include <fstream>
#include <set>
#include <string>
#include <tuple>

class CRinexLog : public CDataLog
{
public:
    // strReceiver names the receiver in the observation header.
    explicit CRinexLog(const std::string& strReceiver);
    ~CRinexLog() override;

    // Creates both files (the observation file's header waits for the first epoch).
    bool Open() override;
    // Completes the header with the observed interval; a file left without data is removed.
    void Close() override;
    bool IsOpen() const override { return m_bOpen; }
    void Flush() override;

    CString GetFileExtension() override { return L".obs"; }

    bool WriteEpoch(const CGPSDataRaw& epoch) override;
    bool WriteEphemeris(const CGPSDataEphemeris& ephemeris) override;
    void SetApproximatePosition(double dLatitude, double dLongitude, double dHeight) override;
    int GetNumEphemerides() const override { return m_nEphemerides; }
    bool HasFailed() const override { return m_bFailed; }

    int GetNumEpochs() override { return m_nEpochs; }

    CString GetErrorText() const override { return m_strError; }
    CString GetFileList() const override;

    std::string ObservationPath() const;
    std::string NavigationPath() const;

private:
    bool WriteObservationHeader(double dFirstEpoch);
    bool Check(std::ostream& file, const std::string& strPath);

    std::string m_strReceiver;
    std::ofstream m_Observations;
    std::ofstream m_Navigation;
    bool m_bOpen = false;
    bool m_bFailed = false;
    CString m_strError;
    bool m_bHaveHeader = false;
    std::streamoff m_nIntervalLine = -1; // where the INTERVAL line starts, to complete it
    bool m_bHavePosition = false;
    double m_dLatitude = 0.0; // degrees
    double m_dLongitude = 0.0;
    double m_dHeight = 0.0;
    double m_dLastEpoch = 0.0;    // GPS seconds since the GPS epoch
    double m_dShortestStep = 0.0; // between two written epochs; 0 until there are two
    int m_nEpochs = 0;
    int m_nEphemerides = 0;
    std::set<std::tuple<int, int, int>> m_Written; // satellite, reference time, issue
};
