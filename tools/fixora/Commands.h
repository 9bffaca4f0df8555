// The receiver commands fixora sends once a live receiver runs: one row per command option, with
// how its value is read, which models have the command (from their catalogue rows, without making
// a model), and the operation it calls.
#pragma once

#include "Fixora_Vorn.h"

#include <string>
#include <vector>

// A command as the user gave it, its value checked.
struct SCommand
{
    const struct SCommandOption* pOption;
    std::string strValue;
};

struct SCommandOption
{
    const char* pszName;  // the option, "--set-elevation-mask"
    const char* pszValue; // what its value is, for --help and errors; null: it takes none
    // Checks the value; false with strError saying what was expected.
    bool (*pfnCheck)(const std::string& strValue, std::string& strError);
    // Whether a model has the command, from its row.
    bool (*pfnAvailable)(const SReceiverModel& model);
    // Sends it; false when the receiver said no (a reset not acknowledged).
    bool (*pfnRun)(CDOZOzoeiver& receiver, const std::string& strValue);
};

// Every command option, in the order --help lists them.
const std::vector<SCommandOption>& CommandOptions();
// The command option named so, or null.
const SCommandOption* FindCommandOption(const std::string& strName);
// The command options the model has, space-separated ("-" for none).
std::string AvailableCommands(const SReceiverModel& model);
