// Ashtech-family replies: "$PASHR" sentences other than the acknowledgement.
#include "rawdata/AshtechRecords.h"
#include "receiver/DOZOzoeiver.h"

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

} // namespace

bool CDOZOzoeiver::ProcessPASHR(CString& strMessage)
{
    static constexpr SRawRecord s_Records[] = {
        {L"PBN", sizeof(SPbnWire), &CDOZOzoeiver::ProcessPASHR_PBN},
        {L"MBN", sizeof(SMbnWire), &CDOZOzoeiver::ProcessPASHR_MBN},
        {L"SNV", sizeof(SSnvWire), &CDOZOzoeiver::ProcessPASHR_SNV},
    };
    const std::wstring_view kind = SecondField(strMessage.View());
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
