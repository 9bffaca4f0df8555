// Plain NMEA models: run-time class records and the rows they read.
#include "models/NmeaModels.h"

IMPLEMENT_RECEIVER_MODEL(COmnistar, CCatalogueModel, Omnistar)
IMPLEMENT_RECEIVER_MODEL(CCorvane, CCatalogueModel, Corvane)
IMPLEMENT_RECEIVER_MODEL(CCorvanePocketGps, CCatalogueModel, CorvanePocketGps)
IMPLEMENT_RECEIVER_MODEL(CLeica, CCatalogueModel, Leica)
IMPLEMENT_RECEIVER_MODEL(CGarmin, CCatalogueModel, Garmin)
IMPLEMENT_RECEIVER_MODEL(CJavad, CCatalogueModel, Javad)
IMPLEMENT_RECEIVER_MODEL(CSatloc, CCatalogueModel, Satloc)
IMPLEMENT_RECEIVER_MODEL(COtherGps, CCatalogueModel, OtherGps)
