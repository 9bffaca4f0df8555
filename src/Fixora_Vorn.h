// Fixora_Vorn: everything a host program needs, in one include.
#pragma once

// Platform services: strings, run-time classes, events, windows, the application object, COM
// port mapping.
#include "platform/Framework.h"
#include "platform/Comm.h"
#include "platform/FixoraApp.h"

// Framing
#include "framing/BinBuffer.h"
#include "textparse/Parser.h"
#include "textparse/TextFile.h"

// Records, notifications and the window messages that carry them
#include "receiver/GPSTypes.h"
#include "receiver/GPSData.h"
#include "receiver/RawRecords.h"
#include "receiver/GPSStringType.h"
#include "receiver/Notification.h"
#include "receiver/GPSMessages.h"

// Serial port
#include "port/SerialPort.h"

// Raw data: the Axis3 family's raw interval and the base of a host's raw-data log writers
#include "rawdata/RawBinInterval.h"
#include "rawdata/DataLog.h"
#include "rawdata/Geodesy.h"

// Receivers
#include "receiver/DOZOzoeiver.h"
#include "models/ModelCatalogue.h"
#include "models/NmeaModels.h"
#include "models/Ashtech.h"
#include "models/SokkiaAxis3.h"
#include "models/Sirf.h"
#include "models/Gsr2650lb.h"

// Engine
#include "engine/ComBuffer.h"
#include "engine/ZIDOvoine.h"
#include "engine/EmulationLine.h"
