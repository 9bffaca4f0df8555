// Receiver base: the satellite table and the sentences that fill it (GSA for the satellites used
// in the solution and the DOPs, GSV for every satellite in view, spread over a cycle).
#include "receiver/DOZOzoeiver.h"
#include "textparse/ParseException.h"
#include "textparse/Parser.h"

namespace
{
constexpr int s_nSlots = 12;
constexpr double s_dDegToRad = std::numbers::pi / 180.0;
constexpr int s_nGSVGroups = 4; // satellites per GSV sentence at most
} // namespace

// ---- slots ----------------------------------------------------------------------------------

bool CDOZOzoeiver::GetSatellite(int nPRN, int& nSlot)
{
    for (int i = 0; i < s_nSlots; ++i)
    {
        if (m_GPSData.m_Satellites[i].m_nPRN == nPRN)
        {
            nSlot = i;
            return true;
        }
    }
    return false;
}

bool CDOZOzoeiver::GetEmptySatellite(int& nSlot)
{
    return GetSatellite(0, nSlot);
}

bool CDOZOzoeiver::GetUnusedSatellite(int& nSlot)
{
    for (int i = 0; i < s_nSlots; ++i)
    {
        if (!m_GPSData.m_Satellites[i].m_bUsed)
        {
            nSlot = i;
            return true;
        }
    }
    return false;
}

bool CDOZOzoeiver::ChooseSatelliteSlot(int nPRN, int& nSlot)
{
    // A satellite keeps its slot; a newcomer takes an empty one, or else evicts the first
    // satellite that the solution does not use.
    return GetSatellite(nPRN, nSlot) || GetEmptySatellite(nSlot) || GetUnusedSatellite(nSlot);
}

void CDOZOzoeiver::ComputeMeanSNR()
{
    int nUsed = 0;
    double dSum = 0.0;
    for (const CGPSSatelliteData& sat : m_GPSData.m_Satellites)
    {
        if (sat.m_bUsed)
        {
            dSum += sat.m_nSNR;
            ++nUsed;
        }
    }
    m_GPSData.m_dMeanSNR = nUsed > 0 ? dSum / nUsed : 0.0;
}

// ---- GSA ------------------------------------------------------------------------------------

// $GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39
//   tag, selection mode, fix type  skipped
//   12 satellite numbers           the satellites used in the solution; empty or non-numeric
//                                  fields are skipped. Each one's slot gets m_nPRN, m_bUsed and
//                                  m_bVisible; its elevation, azimuth and SNR stay as they were
//                                  (a satellite placed into an evicted slot carries the previous
//                                  occupant's values until GSV updates them).
//   PDOP, HDOP, VDOP               m_dPDOP, m_dHDOP, m_dVDOP; a field that does not read keeps
//                                  the previous value, m_bDOP is set anyway
// Every slot's m_bUsed is cleared first, so the table says which satellites this sentence names.
// Always true.
bool CDOZOzoeiver::ProcessGSA(CString& strSentence)
{
    // Throwing stays off: a field that does not read is skipped, never a reason to reject.
    CParser parser(strSentence, L",*", false);
    parser.Skip();
    parser.Skip();
    parser.Skip();

    for (CGPSSatelliteData& sat : m_GPSData.m_Satellites)
    {
        sat.m_bUsed = false;
    }

    for (int i = 0; i < s_nSlots; ++i)
    {
        int nPRN = 0;
        int nSlot = 0;
        if (!parser.GetInt(nPRN) || !ChooseSatelliteSlot(nPRN, nSlot))
        {
            continue;
        }
        CGPSSatelliteData& sat = m_GPSData.m_Satellites[nSlot];
        sat.m_nPRN = nPRN;
        sat.m_bUsed = true;
        sat.m_bVisible = true;
        m_GPSData.m_bSatellites = true;
    }

    parser.GetDouble(m_GPSData.m_dPDOP);
    parser.GetDouble(m_GPSData.m_dHDOP);
    m_GPSData.m_bDOP = true;
    parser.GetDouble(m_GPSData.m_dVDOP);
    return true;
}

// ---- GSV ------------------------------------------------------------------------------------

// $GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74
//   tag                            skipped ($GPGSV, $GNGSV, $GLGSV and $BDGSV share one counter)
//   sentences in the cycle         m_nTotalGSV (kept even when the sentence is then ignored)
//   this sentence's number         1 starts a cycle (every slot's m_bVisible is cleared); any
//                                  number other than 1 or the one expected next ignores the
//                                  sentence and waits for a new cycle
//   satellites in view             m_GPSData.m_nSatellitesInView
//   up to 4 groups of PRN, elevation (degrees), azimuth (degrees), SNR (dB-Hz)
//                                  one slot each: angles in radians, an empty SNR is 0, m_bVisible
//                                  set, m_bUsed kept for a satellite in its own slot and false for
//                                  a newcomer. The groups end at the first PRN, elevation or
//                                  azimuth that does not read, or when no slot is left.
// The first three numbers must read, or the sentence is rejected (an unreadable in-view count
// only after the cycle state above has moved on). m_dMeanSNR is recomputed.
// True only for the last sentence of a cycle, which also sets m_bSatellitesInView.
bool CDOZOzoeiver::ProcessGSV(CString& strSentence)
{
    try
    {
        CParser parser(strSentence, L",*", true);
        parser.Skip();
        int nTotal = 0;
        parser.GetInt(nTotal);
        m_nTotalGSV = nTotal;
        int nNumber = 0;
        parser.GetInt(nNumber);

        if (nNumber != m_nNextGSV && nNumber != 1)
        {
            m_nNextGSV = 1;
            return false;
        }
        if (nNumber == 1)
        {
            for (CGPSSatelliteData& sat : m_GPSData.m_Satellites)
            {
                sat.m_bVisible = false;
            }
        }
        const bool bCycleComplete = nNumber == nTotal;
        // Compared rather than incremented so that no number a receiver sends can overflow.
        m_nNextGSV = nNumber < nTotal ? nNumber + 1 : 1;

        parser.GetInt(m_GPSData.m_nSatellitesInView);
        parser.SetExceptionThrowing(false);

        for (int i = 0; i < s_nGSVGroups; ++i)
        {
            int nPRN = 0;
            int nElevation = 0;
            int nAzimuth = 0;
            if (!parser.GetInt(nPRN) || !parser.GetInt(nElevation) || !parser.GetInt(nAzimuth))
            {
                break;
            }
            int nSNR = 0;
            parser.GetInt(nSNR);
            int nSlot = 0;
            if (!ChooseSatelliteSlot(nPRN, nSlot))
            {
                break;
            }
            CGPSSatelliteData& sat = m_GPSData.m_Satellites[nSlot];
            const bool bOwnSlot = sat.m_nPRN == nPRN;
            sat.m_nPRN = nPRN;
            sat.m_dElevation = nElevation * s_dDegToRad;
            sat.m_dAzimuth = nAzimuth * s_dDegToRad;
            sat.m_nSNR = nSNR;
            sat.m_bVisible = true;
            sat.m_bUsed = bOwnSlot && sat.m_bUsed;
            m_GPSData.m_bSatellites = true;
        }

        ComputeMeanSNR();

        if (bCycleComplete)
        {
            m_GPSData.m_bSatellitesInView = true;
        }
        return bCycleComplete;
    }
    catch (const CParseException&)
    {
        return false;
    }
}
