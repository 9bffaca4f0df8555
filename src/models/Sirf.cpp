// SiRF family: sentence selection through the chip's NMEA input sentences, and the differential
// source through a detour into its binary protocol. The library only writes frames; what the
// receiver sends while in binary mode goes to recognition like any other unknown input.
#include "models/Sirf.h"

#include <array>
#include <cstring>

IMPLEMENT_RECEIVER_MODEL(CSirf, CCatalogueModel, Sirf)
IMPLEMENT_RECEIVER_MODEL(CToughbookGPS01, CSirf, ToughbookGPS01)
IMPLEMENT_RECEIVER_MODEL(CHolux, CSirf, Holux)

namespace
{

// Frame: start bytes, big-endian length, payload, big-endian checksum, end bytes.
constexpr unsigned char s_byStart1 = 0xA0;
constexpr unsigned char s_byStart2 = 0xA2;
constexpr unsigned char s_byEnd1 = 0xB0;
constexpr unsigned char s_byEnd2 = 0xB3;
constexpr std::size_t s_nFrameOverhead = 8;
constexpr std::size_t s_nFrameBuffer = 16392;
constexpr std::size_t s_nMaxPayload = s_nFrameBuffer - s_nFrameOverhead;
constexpr unsigned s_nChecksumMask = 0x7FFF;

constexpr unsigned char s_bySwitchToNmea = 0x81;
constexpr unsigned char s_byDgpsSource = 0x85;
constexpr std::size_t s_nSwitchToNmeaLength = 24;
constexpr std::size_t s_nDgpsSourceLength = 7;

// The receiver needs seconds to change protocol; a sentence's rate is quicker to take.
constexpr DWORD s_dwModeSwitchPause = 3000;
constexpr DWORD s_dwSentencePause = 400;

// The chip's sentence numbers in "$PSRF103".
enum ESirfSentence : int
{
    SIRF_GGA = 0,
    SIRF_GLL = 1,
    SIRF_GSA = 2,
    SIRF_GSV = 3,
    SIRF_RMC = 4,
    SIRF_VTG = 5,
};

struct SSentenceRate
{
    int m_nSentence;
    bool m_bOn;
};

// Every sentence is named, so whatever the receiver had on before is overruled.
constexpr SSentenceRate s_aDefaultSentences[] = {
    {SIRF_GGA, true}, {SIRF_GSA, true},  {SIRF_VTG, true},
    {SIRF_GSV, true}, {SIRF_RMC, false}, {SIRF_GLL, false},
};
constexpr SSentenceRate s_aGgaOnlySentences[] = {
    {SIRF_GGA, true},  {SIRF_GSA, false}, {SIRF_VTG, false},
    {SIRF_GSV, false}, {SIRF_RMC, false}, {SIRF_GLL, false},
};

// The line as the chip's NMEA input takes it: checksum, then the line end.
CString WithChecksum(CString strLine)
{
    AppendNmeaChecksum(strLine);
    strLine += L"\r\n";
    return strLine;
}

} // namespace

bool AppendNmeaChecksum(CString& strLine)
{
    const int nDollar = strLine.Find(L'$');
    if (nDollar < 0)
    {
        return false;
    }
    unsigned nChecksum = 0;
    for (int i = nDollar + 1; i < strLine.GetLength(); ++i)
    {
        nChecksum ^= static_cast<unsigned>(strLine[i]);
    }
    strLine.AppendFormat(L"*%02X", nChecksum & 0xFFu);
    return true;
}

CSirf::CSirf(EReceiverModel eModel) : CCatalogueModel(eModel) {}

unsigned short CSirf::CheckSum(unsigned char* pPayload, unsigned short nLength)
{
    if (pPayload == nullptr)
    {
        return 0;
    }
    unsigned nSum = 0;
    for (unsigned short i = 0; i < nLength; ++i)
    {
        nSum += pPayload[i];
    }
    return static_cast<unsigned short>(nSum & s_nChecksumMask);
}

bool CSirf::SendBinaryMsg(unsigned char* pPayload, unsigned short nLength)
{
    // The frame is built in a fixed buffer: a payload that would not fit (more than 16384 bytes)
    // is refused with false and nothing is written, as is a missing one.
    if (nLength > s_nMaxPayload || (pPayload == nullptr && nLength != 0))
    {
        return false;
    }
    std::array<unsigned char, s_nFrameBuffer> frame;
    const unsigned short nChecksum = CheckSum(pPayload, nLength);
    frame[0] = s_byStart1;
    frame[1] = s_byStart2;
    frame[2] = static_cast<unsigned char>(nLength >> 8);
    frame[3] = static_cast<unsigned char>(nLength & 0xFF);
    if (nLength != 0)
    {
        std::memcpy(&frame[4], pPayload, nLength);
    }
    frame[4 + nLength] = static_cast<unsigned char>(nChecksum >> 8);
    frame[5 + nLength] = static_cast<unsigned char>(nChecksum & 0xFF);
    frame[6 + nLength] = s_byEnd1;
    frame[7 + nLength] = s_byEnd2;
    return m_Port.Write(frame.data(), static_cast<DWORD>(s_nFrameOverhead + nLength));
}

void CSirf::SwitchToBinary()
{
    // Same speed, 8 data bits, 1 stop bit, no parity: the port needs no change to follow.
    CString strLine;
    strLine.Format(L"$PSRF100,0,%d,8,1,0", GetCurrentBaudrate());
    m_Port.Write(WithChecksum(strLine));
    Sleep(s_dwModeSwitchPause);
}

void CSirf::SwitchToNmea()
{
    // Bytes 2 to 21 stay zero; the speed field holds only the rate's low 16 bits.
    std::array<unsigned char, s_nSwitchToNmeaLength> payload = {};
    const int nBaudRate = GetCurrentBaudrate();
    payload[0] = s_bySwitchToNmea;
    payload[1] = 0x02;
    payload[22] = static_cast<unsigned char>((nBaudRate >> 8) & 0xFF);
    payload[23] = static_cast<unsigned char>(nBaudRate & 0xFF);
    SendBinaryMsg(payload.data(), static_cast<unsigned short>(payload.size()));
    Sleep(s_dwModeSwitchPause);
}

void CSirf::SendDgpsSourceMsg(DgpsMode eMode)
{
    // Only SBAS is a source the chip takes this way; the beacon fields stay zero.
    std::array<unsigned char, s_nDgpsSourceLength> payload = {};
    payload[0] = s_byDgpsSource;
    payload[1] = eMode == DGPS_WAAS ? 1 : 0;
    SendBinaryMsg(payload.data(), static_cast<unsigned short>(payload.size()));
    Sleep(s_dwModeSwitchPause);
}

void CSirf::SetNmeaMsg(int nSentence, bool bOn)
{
    CString strLine;
    strLine.Format(L"$PSRF103,%02d,00,%02d,01", nSentence, bOn ? 2 : 0);
    m_Port.Write(WithChecksum(strLine));
    Sleep(s_dwSentencePause);
}

void CSirf::SetDefaultNMEA()
{
    if (!m_Port.IsOpen())
    {
        return;
    }
    for (const SSentenceRate& rate : s_aDefaultSentences)
    {
        SetNmeaMsg(rate.m_nSentence, rate.m_bOn);
    }
}

void CSirf::SetGgaOnlyNMEA()
{
    if (!m_Port.IsOpen())
    {
        return;
    }
    for (const SSentenceRate& rate : s_aGgaOnlySentences)
    {
        SetNmeaMsg(rate.m_nSentence, rate.m_bOn);
    }
}

void CSirf::SetDgpsMode(DgpsMode eMode)
{
    if (!m_Port.IsOpen())
    {
        return;
    }
    SwitchToBinary();
    SendDgpsSourceMsg(eMode);
    SwitchToNmea();
    // Select the sentences again once the receiver has been through both switches.
    SetDefaultNMEA();
}

bool CSirf::ResetAll(bool /*bShowWait*/)
{
    if (!Initialize() || !m_Port.IsOpen())
    {
        return false;
    }
    // A receiver left in binary mode (a stop in the middle of SetDgpsMode) hears only frames.
    SwitchToNmea();
    SetDefaultNMEA();
    return true;
}
