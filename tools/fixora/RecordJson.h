// The records that reach the main window as JSON objects (one per message, printed one per line).
// Numbers keep full double precision; angles of the position record are degrees except heading,
// which stays in radians as the record holds it. bNoClock prints the computer-clock stamp as 0.
// Each function appends the object to strLine.
#pragma once

#include "Fixora_Vorn.h"

#include <cstddef>
#include <string>

class CJsonWriter;

// {"type":"position", "time", "utc", "lat", "lon", "alt", "status", "status_name", ...}
void PositionJson(const CGPSData& data, bool bNoClock, std::string& strLine);
// The receiver status record as an object, every field, at the writer's current place.
void StatusRecordJson(CJsonWriter& json, const CGPSStatusData& status);
// {"type":"raw", every field of the epoch, "satellites": the slots in use}
void RawEpochJson(const CGPSDataRaw& raw, bool bNoClock, std::string& strLine);
// {"type":"ephemeris", every field}
void EphemerisJson(const CGPSDataEphemeris& ephemeris, std::string& strLine);
// {"type":"text","text":...}: each byte of the message as the character of the same value.
void TextJson(const CString& strText, std::string& strLine);
// {"type":"binary","words":N}
void BinaryJson(std::size_t nWords, std::string& strLine);
// {"type":"command","command":...,"value":...,"result":...}
void CommandJson(const std::string& strName, const std::string& strValue,
                 const std::string& strResult, std::string& strLine);
