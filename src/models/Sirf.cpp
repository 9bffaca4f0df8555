// SiRF family: run-time class records and the rows they read.
#include "models/Sirf.h"

IMPLEMENT_RECEIVER_MODEL(CSirf, CCatalogueModel, Sirf)
IMPLEMENT_RECEIVER_MODEL(CToughbookGPS01, CSirf, ToughbookGPS01)
IMPLEMENT_RECEIVER_MODEL(CHolux, CSirf, Holux)

CSirf::CSirf(EReceiverModel eModel) : CCatalogueModel(eModel) {}
