// The readers of the site's files: the profile (an INI file) and the fix-quality table. The
// input becomes the file, written afresh for each input into one file of this process.
// Profile input: the first line names the section, the second the entry (characters of the
// bytes' values), the rest is the file.
#include "FuzzEntries.h"

#include "platform/Profile.h"
#include "support/ReceiverProbe.h"
#include "support/ScratchFolder.h"

#include <algorithm>

namespace
{

// The input as the file of this process, in a folder removed when the process ends.
CString WriteScratchFile(std::string_view content)
{
    static const CScratchFolder s_Folder;
    CScratchFolder::Write(s_Folder.File("input"), std::string(content));
    return CString(s_Folder.File("input").wstring());
}

// The line at the front of the rest, which it leaves.
CString TakeLine(std::string_view& rest)
{
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(line.size() + 1, rest.size()));
    return CString(fuzz_entry::Widen(line));
}

} // namespace

void fuzz_entry::Profile(const std::uint8_t* pData, std::size_t nSize)
{
    std::string_view rest(reinterpret_cast<const char*>(pData), nSize);
    const CString strSection = TakeLine(rest);
    const CString strEntry = TakeLine(rest);
    const CString strPath = WriteScratchFile(rest);
    const int nValue = Profile::ReadInt(strPath, strSection, strEntry, -12345);
    // The file is read afresh each time, so the same file gives the same value.
    FUZZ_CHECK(Profile::ReadInt(strPath, strSection, strEntry, -12345) == nValue);
}

void fuzz_entry::StatusTable(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string_view content(reinterpret_cast<const char*>(pData), nSize);
    const CString strPath = WriteScratchFile(content);
    // One receiver for the whole run (making one costs more than reading the table), its table
    // emptied for each input.
    static CProbeReceiver s_Receiver;
    s_Receiver.m_SignalStatusMap.clear();
    s_Receiver.m_bAlternateStatus = false;
    s_Receiver.LoadStatusTable(strPath);
    // A table line gives at most one entry, and only a line with a comma is a table line.
    FUZZ_CHECK(s_Receiver.m_SignalStatusMap.size() <=
               static_cast<std::size_t>(std::count(content.begin(), content.end(), ',')));
    FUZZ_CHECK(s_Receiver.m_bAlternateStatus || s_Receiver.m_SignalStatusMap.empty());
}
