// The OEM L-band board: run-time class record and the row it reads.
#include "models/Gsr2650lb.h"

IMPLEMENT_RECEIVER_MODEL(Cgsr2650lb, CCatalogueModel, Gsr2650lb)
