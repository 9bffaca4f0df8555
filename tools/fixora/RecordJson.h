// The records that reach the main window as JSON objects (one per message, printed one per line).
// Numbers keep full double precision; angles of the position record are degrees except heading,
// which stays in radians as the record holds it. bNoClock prints the computer-clock stamp as 0.
#pragma once

#include "Fixora_Vorn.h"

#include <nlohmann/json.hpp>

#include <cstddef>

// {"type":"position", "time", "utc", "lat", "lon", "alt", "status", "status_name", ...}
nlohmann::ordered_json PositionJson(const CGPSData& data, bool bNoClock);
// {"type":"raw", every field of the epoch, "satellites": the slots in use}
nlohmann::ordered_json RawEpochJson(const CGPSDataRaw& raw, bool bNoClock);
// {"type":"ephemeris", every field}
nlohmann::ordered_json EphemerisJson(const CGPSDataEphemeris& ephemeris);
// {"type":"text","text":...}: each byte of the message as the character of the same value.
nlohmann::ordered_json TextJson(const CString& strText);
// {"type":"binary","words":N}
nlohmann::ordered_json BinaryJson(std::size_t nWords);
