// Ashtech-family replies: "$PASHR" sentences other than the acknowledgement.
#include "rawdata/AshtechRecords.h"
#include "receiver/DOZOzoeiver.h"
#include "textparse/ParseException.h"
#include "textparse/Parser.h"

#include <numbers>
#include <string_view>

namespace
{

// The raw records by kind, with the bytes their decoder reads.
struct SRawRecord
{
    std::wstring_view kind;
    int nBytes;
    bool (CDOZOzoeiver::*pfnDecode)(const void* pRecord);
};

// The second field: between the first and the second delimiter ("," or "*").
std::wstring_view SecondField(std::wstring_view text)
{
    const std::size_t nFirst = text.find_first_of(L",*");
    if (nFirst == std::wstring_view::npos)
    {
        return {};
    }
    const std::size_t nStart = nFirst + 1;
    const std::size_t nEnd = text.find_first_of(L",*", nStart);
    return text.substr(nStart, nEnd == std::wstring_view::npos ? nEnd : nEnd - nStart);
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
    {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        const auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; };
        if (upper(a[i]) != upper(b[i]))
        {
            return false;
        }
    }
    return true;
}

// One satellite of the satellite status reply: PRN, azimuth and elevation in whole degrees, SNR
// and the use flag ("U" when the solution uses it). A field that does not read throws.
CGPSSatelliteData ReadStatusSatellite(CParser& parser)
{
    constexpr double dDegToRad = std::numbers::pi / 180.0;
    CGPSSatelliteData sat;
    int nAzimuth = 0;
    int nElevation = 0;
    std::wstring_view use;
    parser.GetInt(sat.m_nPRN);
    parser.GetInt(nAzimuth);
    parser.GetInt(nElevation);
    parser.GetInt(sat.m_nSNR);
    parser.GetNextView(use);
    sat.m_dAzimuth = nAzimuth * dDegToRad;
    sat.m_dElevation = nElevation * dDegToRad;
    sat.m_bUsed = use == L"U" || use == L"u";
    sat.m_bVisible = true;
    return sat;
}

// $PASHR,SAT,n, then per satellite PRN,azimuth,elevation,SNR,use flag: the satellites listed
// become the visible ones, each in the slot that chooseSlot(PRN, slot) picks, or dropped when
// there is none. Satellites not listed keep their slots until evicted. False when a field does
// not read, keeping what was stored before it.
template <typename FChooseSlot>
bool StoreSatelliteStatus(const CString& strMessage, CGPSData& data, FChooseSlot chooseSlot)
{
    try
    {
        CParser parser(strMessage, L",*", true);
        parser.Skip();
        parser.Skip();
        parser.GetInt(data.m_nSatellitesInView);
        for (CGPSSatelliteData& sat : data.m_Satellites)
        {
            sat.m_bVisible = false;
        }
        // Bounded by the sentence whatever count it announces: reading past its end throws.
        const int nListed = data.m_nSatellitesInView;
        for (int i = 0; i < nListed; ++i)
        {
            const CGPSSatelliteData sat = ReadStatusSatellite(parser);
            int nSlot = 0;
            if (chooseSlot(sat.m_nPRN, nSlot))
            {
                data.m_Satellites[nSlot] = sat;
                data.m_bSatellites = true;
            }
        }
    }
    catch (const CParseException&)
    {
        return false;
    }
    return true;
}

} // namespace

bool CDOZOzoeiver::ProcessPASHR(CString& strMessage)
{
    static constexpr SRawRecord s_Records[] = {
        {L"PBN", sizeof(SPbnWire), &CDOZOzoeiver::ProcessPASHR_PBN},
        {L"MBN", sizeof(SMbnWire), &CDOZOzoeiver::ProcessPASHR_MBN},
        {L"SNV", sizeof(SSnvWire), &CDOZOzoeiver::ProcessPASHR_SNV},
    };
    const std::wstring_view kind = SecondField(strMessage.View());
    if (EqualsNoCase(kind, L"SAT"))
    {
        const auto chooseSlot = [this](int nPRN, int& nSlot) {
            return ChooseSatelliteSlot(nPRN, nSlot);
        };
        if (!StoreSatelliteStatus(strMessage, m_GPSData, chooseSlot))
        {
            return false;
        }
        // Over every slot marked used, those this sentence did not list included.
        ComputeMeanSNR();
        m_GPSData.m_bSatellitesInView = true;
        return true;
    }
    for (const SRawRecord& record : s_Records)
    {
        if (!EqualsNoCase(kind, record.kind))
        {
            continue;
        }
        // The record's bytes come from the attached message: its text stops at a zero byte.
        ++m_nRawMessages;
        int nLength = 0;
        const char* pBytes = m_GPSMessageRaw.GetMessageBin(nLength);
        if (pBytes == nullptr || nLength < ASHTECH_RECORD_HEAD + 1 ||
            nLength < ASHTECH_RECORD_HEAD + record.nBytes)
        {
            return false;
        }
        if (!(this->*record.pfnDecode)(pBytes + ASHTECH_RECORD_HEAD))
        {
            ++m_nRawMessageErrors;
            return false;
        }
        return true;
    }
    return false;
}
