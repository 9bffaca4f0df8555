// The records that reach the main window as lines for people: one summary line per record, with
// indented detail lines for satellites, error estimates, proprietary text and receiver status when
// the record flags them as new. Positions in degrees, heading in degrees counter-clockwise from
// east (the record's convention).
#pragma once

#include "Fixora_Vorn.h"

#include <cstddef>
#include <string>

std::string PositionText(const CGPSData& data, bool bNoClock);
std::string RawEpochText(const CGPSDataRaw& raw, bool bNoClock);
std::string EphemerisText(const CGPSDataEphemeris& ephemeris);
// "text " and the message without its line end; bytes outside printable ASCII as \xNN.
std::string MessageText(const CString& strText);
std::string BinaryText(std::size_t nWords);
