// The receiver model catalogue: one row per supported model with its run-time class name, the
// display name by which a host selects it, its default baud rate and a factory. The model classes
// take their name and rate from these rows; a host lists and registers the models from them.
#pragma once

#include "platform/Framework.h"

#include <span>

class CDOZOzoeiver;

// The models in catalogue order; a model's value is the index of its row.
enum class EReceiverModel : int
{
    Omnistar,
    Corvane,
    CorvanePocketGps,
    Ashtech,
    CSI,
    Racal,
    Leica,
    Starlink,
    Garmin,
    Javad,
    Satloc,
    Sokkia,
    SokkiaAxis3,
    CSImax,
    Sirf,
    ToughbookGPS01,
    Holux,
    OtherGps,
    Gsr2650lb,
    Count
};

constexpr int RECEIVER_MODEL_COUNT = static_cast<int>(EReceiverModel::Count);

struct SReceiverModel
{
    EReceiverModel m_eModel;
    const char* m_pszClassName; // name in the model's run-time class record
    // Display name, unique and compared case-sensitively: the key of the engine's registry and
    // the profile section of the model's stored baud rate.
    const wchar_t* m_pszName;
    int m_nDefaultBaudrate;
    // A new object of the model; the caller owns it (the engine once registered).
    CDOZOzoeiver* (*m_pfnCreate)();
};

// Every row, in catalogue order.
FIXORA_API std::span<const SReceiverModel> GetReceiverModels();
// The row of a model; the row of COtherGps (the plain NMEA-0183 receiver) for a value outside
// the catalogue.
FIXORA_API const SReceiverModel& GetReceiverModel(EReceiverModel eModel);
// The row whose display name is exactly strName, or null.
FIXORA_API const SReceiverModel* FindReceiverModel(const CString& strName);
