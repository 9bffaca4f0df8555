// The SiRF family: receivers with a SiRF chip set. They send NMEA sentences that the receiver base
// parses; their commands are the chip's NMEA input sentences and frames of its binary protocol.
#pragma once

#include "models/CatalogueModel.h"

// Appends "*" and the two upper-case hexadecimal digits of the XOR of every character after the
// line's first "$"; false, and nothing appended, for a line without "$".
FIXORA_API bool AppendNmeaChecksum(CString& strLine);

// "SiRF", 4800 baud: sentence selection, reset (back to NMEA), differential source.
class FIXORA_API CSirf : public CCatalogueModel
{
    DECLARE_DYNAMIC(CSirf)

public:
    CSirf();

    void SetDefaultNMEA() override;
    void SetGgaOnlyNMEA() override;
    // Brings a receiver left in binary mode back to NMEA and selects the default sentences; the
    // wait window is never shown.
    bool ResetAll(bool bShowWait) override;
    // Into the binary protocol, the source message, back to NMEA, and the sentences again.
    void SetDgpsMode(DgpsMode eMode) override;

protected:
    explicit CSirf(EReceiverModel eModel);

    // The binary frame's checksum: the payload's bytes summed, low 15 bits.
    unsigned short CheckSum(unsigned char* pPayload, unsigned short nLength);
    // One binary frame around the payload; the port's write result.
    bool SendBinaryMsg(unsigned char* pPayload, unsigned short nLength);
    void SwitchToBinary();
    void SwitchToNmea();
    void SendDgpsSourceMsg(DgpsMode eMode);
    // A sentence's output rate: every 2 s when on, never when off.
    void SetNmeaMsg(int nSentence, bool bOn);
};

// "Toughbook GPS01", 4800 baud: everything as CSirf.
class FIXORA_API CToughbookGPS01 : public CSirf
{
    DECLARE_DYNAMIC(CToughbookGPS01)

public:
    CToughbookGPS01();
};

// "Holux", 4800 baud: everything as CSirf.
class FIXORA_API CHolux : public CSirf
{
    DECLARE_DYNAMIC(CHolux)

public:
    CHolux();
};
