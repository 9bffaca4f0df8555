// Identifiers of the library's resources.
#pragma once

// Display texts for the fix-quality statuses (for the host's status line).
#define IDS_STATUS_NO_SIGNAL 1
#define IDS_STATUS_GPS 2
#define IDS_STATUS_DGPS 3
#define IDS_STATUS_RTK_CODE 4
#define IDS_STATUS_RTK_FIXED 5
#define IDS_STATUS_RTK_FLOAT 6
#define IDS_STATUS_UNKNOWN 7
#define IDS_STATUS_PDOP 8
#define IDS_STATUS_HDOP 9
#define IDS_STATUS_SATELLITES 10
// Engine and acquisition thread.
#define IDS_RAWLOG_OPEN_FAILED 11
#define IDS_EMULATION_OPEN_FAILED 12
// Data log status line.
#define IDS_DATALOG_STATUS 13
// Engine error messages.
#define IDS_ENGINE_NO_ERROR 14
#define IDS_ENGINE_NO_RECEIVER 15
#define IDS_ENGINE_INIT_FAILED 16
#define IDS_ENGINE_THREAD_FAILED 17
#define IDS_ENGINE_UNKNOWN_ERROR 18

// The acknowledgement wait window's layout.
#define IDD_ACK 1000
#define IDC_ACK_TEXT 1001

// Window styles of the layouts: the system's values under names of our own, so that the
// compiled-in table and the Windows resource script read the same rows (Resources.def).
#define FIXORA_WS_POPUP 0x80000000L
#define FIXORA_WS_CHILD 0x40000000L
#define FIXORA_WS_VISIBLE 0x10000000L
#define FIXORA_WS_CAPTION 0x00C00000L
#define FIXORA_WS_SYSMENU 0x00080000L
#define FIXORA_DS_MODALFRAME 0x00000080L
#define FIXORA_SS_CENTER 0x00000001L
