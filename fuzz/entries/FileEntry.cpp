// The readers of the site's files: the profile (an INI file) and the fix-quality table. The
// input becomes the file, written afresh for each input into one file of this process.
// Profile input: the first line names the section, the second the entry (characters of the
// bytes' values), the rest is the file.
#include "FuzzCheck.h"
#include "FuzzEntries.h"

#include "platform/Profile.h"
#include "receiver/DOZOzoeiver.h"
#include "support/ScratchFolder.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>

namespace
{

// The input as the file of this process, in a folder removed when the process ends.
CString WriteScratchFile(std::string_view content)
{
    static const CScratchFolder s_Folder;
    const std::filesystem::path path = s_Folder.File("input");
    CScratchFolder::Write(path, std::string(content));
    return CString(path.wstring());
}

// The line at the front of the rest (characters of the bytes' values), which it leaves.
CString TakeLine(std::string_view& rest)
{
    const std::size_t nEnd = std::min(rest.find('\n'), rest.size());
    std::wstring line;
    for (const char c : rest.substr(0, nEnd))
    {
        line.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    rest.remove_prefix(std::min(nEnd + 1, rest.size()));
    return CString(std::move(line));
}

class CStatusTableReceiver : public CDOZOzoeiver
{
public:
    CString GetName() override { return L"Status table"; }
    using CDOZOzoeiver::LoadStatusTable;
};

} // namespace

namespace fuzz_entry
{

void Profile(const std::uint8_t* pData, std::size_t nSize)
{
    std::string_view rest(reinterpret_cast<const char*>(pData), nSize);
    const CString strSection = TakeLine(rest);
    const CString strEntry = TakeLine(rest);
    const CString strPath = WriteScratchFile(rest);
    constexpr int s_nDefault = -12345;
    const int nValue = Profile::ReadInt(strPath, strSection, strEntry, s_nDefault);
    // The file is read afresh each time, so the same file gives the same value.
    FUZZ_CHECK(Profile::ReadInt(strPath, strSection, strEntry, s_nDefault) == nValue);
}

void StatusTable(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string_view content(reinterpret_cast<const char*>(pData), nSize);
    const CString strPath = WriteScratchFile(content);
    // One receiver for the whole run (making one costs more than reading the table), its table
    // emptied for each input.
    static CStatusTableReceiver s_Receiver;
    CStatusTableReceiver& receiver = s_Receiver;
    receiver.m_SignalStatusMap.clear();
    receiver.m_bAlternateStatus = false;
    receiver.LoadStatusTable(strPath);
    // A table line gives at most one entry, and only a line with a comma is a table line.
    FUZZ_CHECK(receiver.m_SignalStatusMap.size() <=
               static_cast<std::size_t>(std::count(content.begin(), content.end(), ',')));
    FUZZ_CHECK(receiver.m_bAlternateStatus || receiver.m_SignalStatusMap.empty());
}

} // namespace fuzz_entry
