// Notification callbacks: the kinds a host can register for, the payload handed to a callback and
// one registration. The library raises GPS_NOTIFY_EPHEMERIS when a broadcast ephemeris arrives.
#pragma once

#include "receiver/GPSData.h"

enum GPSNotificationType : int
{
    GPS_NOTIFY_POSITION = 0,
    GPS_NOTIFY_PROPRIETARY = 1,
    GPS_NOTIFY_RAW = 2,
    GPS_NOTIFY_EPHEMERIS = 3
};

// What a callback receives: the receiver's most recently published records.
class FIXORA_API CGPSNotification
{
public:
    CGPSData m_Position;
    CGPSData m_Proprietary;
    CGPSDataRaw m_Raw;
    CGPSDataEphemeris m_Ephemeris;
};

// Plain C calling convention so hosts in other languages can register.
extern "C" typedef void (*GPSNotificationCallback)(GPSNotificationType eType,
                                                   CGPSNotification* pNotification,
                                                   void* pUserData);

class FIXORA_API CNotificationData
{
public:
    GPSNotificationType m_Type = GPS_NOTIFY_POSITION;
    GPSNotificationCallback m_pfnCallback = nullptr; // nullptr: none
    void* m_pUserData = nullptr;                     // handed back unchanged
};
