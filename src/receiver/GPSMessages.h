// Window messages posted to the host's main window. The WPARAM of a record message is a heap
// copy that the receiving window owns and deletes; LPARAM is 0.
#pragma once

#include "platform/WinTypes.h"

constexpr UINT WM_GPS_POSITION = WM_APP + 10;  // new CGPSData
constexpr UINT WM_GPS_RAWDATA = WM_APP + 11;   // new CString: one message text
constexpr UINT WM_GPS_RAWEPOCH = WM_APP + 12;  // new CGPSDataRaw
constexpr UINT WM_GPS_EPHEMERIS = WM_APP + 13; // new CGPSDataEphemeris
constexpr UINT WM_GPS_BINARYMSG = WM_APP + 14; // a binary message is in the receiver; no pointer
