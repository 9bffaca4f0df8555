// The nineteen receiver models of the catalogue: registering them with the engine and listing
// them for the user.
#pragma once

#include "Fixora_Vorn.h"
#include "engine/ZIDOvoine.h"

#include <cstdio>
#include <string>
#include <vector>

// Registers one object of every catalogue model with the engine (the engine's own default
// "NMEA-0183" receiver stands for that row) and returns the registered model named strModel.
CDOZOzoeiver* RegisterModels(CZIDOvoine& engine, const std::string& strModel);

// Every model with its default baud rate and capabilities: a table, or one JSON object per line.
void PrintModelList(bool bJson, std::FILE* pOutput);
