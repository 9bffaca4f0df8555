// Models that speak plain NMEA-0183 and need no command set: at most a setup at initialisation
// or a keep-alive line while the receiver is silent.
#pragma once

#include "receiver/DOZOzoeiver.h"

// "Omnistar", 4800 baud.
class FIXORA_API COmnistar : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(COmnistar)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
};

// "Corvane", 4800 baud, no raw data; wakes a silent receiver with a keep-alive line.
class FIXORA_API CCorvane : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(CCorvane)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool HasRawData() override;
    void KeepAlive() override;
};

// "Corvane Pocket", 9600 baud.
class FIXORA_API CCorvanePocketGps : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(CCorvanePocketGps)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
};

// "Leica", 9600 baud; Initialize selects the receiver's GGA, GSA and GSV output, and a silent
// receiver gets the keep-alive line.
class FIXORA_API CLeica : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(CLeica)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool Initialize() override;
    void KeepAlive() override;
};

// "Garmin 17-N", 4800 baud.
class FIXORA_API CGarmin : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(CGarmin)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
};

// "Javad", 9600 baud.
class FIXORA_API CJavad : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(CJavad)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
};

// "Satloc", 9600 baud.
class FIXORA_API CSatloc : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(CSatloc)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
};

// "NMEA-0183", 9600 baud: any receiver that sends standard sentences; the engine's default.
class FIXORA_API COtherGps : public CDOZOzoeiver
{
    DECLARE_DYNAMIC(COtherGps)

public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
};
