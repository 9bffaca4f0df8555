// Models that speak plain NMEA-0183 and need no command set: at most a setup at initialisation
// or a keep-alive line while the receiver is silent, both in their catalogue rows.
#pragma once

#include "models/CatalogueModel.h"

// Declares a model class whose catalogue row says everything about it.
#define DECLARE_PLAIN_RECEIVER_MODEL(class_name)                                                   \
    class FIXORA_API class_name : public CCatalogueModel                                           \
    {                                                                                              \
        DECLARE_DYNAMIC(class_name)                                                                \
                                                                                                   \
    public:                                                                                        \
        class_name();                                                                              \
    };

DECLARE_PLAIN_RECEIVER_MODEL(COmnistar)         // "Omnistar", 4800 baud
DECLARE_PLAIN_RECEIVER_MODEL(CCorvane)          // "Corvane", 4800 baud, keep-alive line
DECLARE_PLAIN_RECEIVER_MODEL(CCorvanePocketGps) // "Corvane Pocket", 9600 baud
DECLARE_PLAIN_RECEIVER_MODEL(CLeica)            // "Leica", 9600 baud, output setup, keep-alive
DECLARE_PLAIN_RECEIVER_MODEL(CGarmin)           // "Garmin 17-N", 4800 baud
DECLARE_PLAIN_RECEIVER_MODEL(CJavad)            // "Javad", 9600 baud
DECLARE_PLAIN_RECEIVER_MODEL(CSatloc)           // "Satloc", 9600 baud
// "NMEA-0183", 9600 baud: any receiver that sends standard sentences; the engine's default.
DECLARE_PLAIN_RECEIVER_MODEL(COtherGps)
