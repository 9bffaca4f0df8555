// The receiver models of the catalogue: registering the one a run uses with the engine, and
// listing them all for the user from their catalogue rows.
#pragma once

#include "Fixora_Vorn.h"
#include "engine/ZIDOvoine.h"

#include <cstdio>
#include <string>
#include <vector>

// Makes the model named strModel (the engine's own default stands for "NMEA-0183"), registers it
// with the engine and returns it. Only that model is made: a model may talk to its port when it is
// made (the OEM board initialises itself).
CDOZOzoeiver* RegisterModel(CZIDOvoine& engine, const std::string& strModel);

// Every model with its default baud rate, capabilities and the command options it accepts: a
// table, or one JSON object per line. Read from the rows; no model is made.
void PrintModelList(bool bJson, std::FILE* pOutput);
