// The library's string table and dialog layouts, as data.
#include "platform/StringTable.h"
#include "resources/ResourceIds.h"

namespace
{

const StringResource s_strings[] = {
    {IDS_STATUS_NO_SIGNAL, L"No GPS signal!"},
    {IDS_STATUS_GPS, L"GPS"},
    {IDS_STATUS_DGPS, L"DGPS"},
    {IDS_STATUS_RTK_CODE, L"RTK-Code"},
    {IDS_STATUS_RTK_FIXED, L"RTK-Fixed"},
    {IDS_STATUS_RTK_FLOAT, L"RTK-Float"},
    {IDS_STATUS_UNKNOWN, L"Unknown"},
    {IDS_STATUS_PDOP, L"   PDOP: "},
    {IDS_STATUS_HDOP, L"   HDOP: "},
    {IDS_STATUS_SATELLITES, L"   %d of %d Satellites"},
    {IDS_RAWLOG_OPEN_FAILED, L"Could not open file to log raw data!"},
    {IDS_EMULATION_OPEN_FAILED, L"Unable to open the emulation file: '%s'."},
    {IDS_DATALOG_STATUS, L"Num Epochs: %d, Time: %d min."},
    {IDS_ENGINE_NO_ERROR, L"No Error."},
    {IDS_ENGINE_NO_RECEIVER, L"No GPS Receiver Is Assigned."},
    {IDS_ENGINE_INIT_FAILED, L"Can't Initialize a Receiver."},
    {IDS_ENGINE_THREAD_FAILED, L"Can't Start GPS Thread."},
    {IDS_ENGINE_UNKNOWN_ERROR, L"Unknown GPS Error Code."},
};

// Window styles of the layouts (values of the original platform).
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD DS_MODALFRAME = 0x00000080u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD SS_CENTER = 0x00000001u;

const DialogControl s_ackControls[] = {
    {L"STATIC", L"Please wait while resetting receiver", 0, 0, 119, 17,
     WS_CHILD | WS_VISIBLE | SS_CENTER},
};

const DialogTemplate s_dialogs[] = {
    {IDD_ACK, L"Dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 120, 18, L"Tahoma", 8,
     400, s_ackControls, static_cast<int>(sizeof(s_ackControls) / sizeof(s_ackControls[0]))},
};

} // namespace

const StringResource* GetStringResources(int& nCount)
{
    nCount = static_cast<int>(sizeof(s_strings) / sizeof(s_strings[0]));
    return s_strings;
}

const DialogTemplate* FindDialogTemplate(UINT nId)
{
    for (const auto& dlg : s_dialogs)
    {
        if (dlg.nId == nId)
        {
            return &dlg;
        }
    }
    return nullptr;
}
