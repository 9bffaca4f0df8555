// The catalogue rows. Reading down the table gives every supported model at a glance.
#include "models/ModelCatalogue.h"

#include "models/Ashtech.h"
#include "models/Gsr2650lb.h"
#include "models/NmeaModels.h"
#include "models/Sirf.h"
#include "models/SokkiaAxis3.h"

namespace
{

template <class TModel> CDOZOzoeiver* Create()
{
    return new TModel;
}

using M = EReceiverModel;

// clang-format off
// One row per model; the class is named once, for its factory and for its run-time name.
#define MODEL_ROW(model, cls, name, baud) {M::model, #cls, name, baud, &Create<cls>}

constexpr SReceiverModel s_aModels[] = {
    //        model             class               display name         baud
    MODEL_ROW(Omnistar,         COmnistar,         L"Omnistar",        4800),
    MODEL_ROW(Corvane,          CCorvane,          L"Corvane",         4800),
    MODEL_ROW(CorvanePocketGps, CCorvanePocketGps, L"Corvane Pocket",  9600),
    MODEL_ROW(Ashtech,          CAshtech,          L"Ashtech",         9600),
    MODEL_ROW(CSI,              CCSI,              L"CSI",             9600),
    MODEL_ROW(Racal,            CRacal,            L"Racal",           9600),
    MODEL_ROW(Leica,            CLeica,            L"Leica",           9600),
    MODEL_ROW(Starlink,         CStarlink,         L"Starlink",        9600),
    MODEL_ROW(Garmin,           CGarmin,           L"Garmin 17-N",     4800),
    MODEL_ROW(Javad,            CJavad,            L"Javad",           9600),
    MODEL_ROW(Satloc,           CSatloc,           L"Satloc",          9600),
    MODEL_ROW(Sokkia,           CSokkia,           L"Sokkia Axis",     9600),
    MODEL_ROW(SokkiaAxis3,      CSokkiaAxis3,      L"Sokkia Axis3",    9600),
    MODEL_ROW(CSImax,           CCSImax,           L"CSI - MAX",       9600),
    MODEL_ROW(Sirf,             CSirf,             L"SiRF",            4800),
    MODEL_ROW(ToughbookGPS01,   CToughbookGPS01,   L"Toughbook GPS01", 4800),
    MODEL_ROW(Holux,            CHolux,            L"Holux",           4800),
    MODEL_ROW(OtherGps,         COtherGps,         L"NMEA-0183",       9600),
    MODEL_ROW(Gsr2650lb,        Cgsr2650lb,        L"GSR2650 LB",      9600),
};
#undef MODEL_ROW
// clang-format on

// A model's value indexes its row.
constexpr bool RowsFollowTheEnumeration()
{
    for (int i = 0; i < RECEIVER_MODEL_COUNT; ++i)
    {
        if (static_cast<int>(s_aModels[i].m_eModel) != i)
        {
            return false;
        }
    }
    return true;
}

static_assert(std::size(s_aModels) == RECEIVER_MODEL_COUNT, "one row per model");
static_assert(RowsFollowTheEnumeration(), "rows in the order of EReceiverModel");

} // namespace

std::span<const SReceiverModel> GetReceiverModels()
{
    return s_aModels;
}

const SReceiverModel& GetReceiverModel(EReceiverModel eModel)
{
    const int nIndex = static_cast<int>(eModel);
    if (nIndex < 0 || nIndex >= RECEIVER_MODEL_COUNT)
    {
        return s_aModels[static_cast<int>(EReceiverModel::OtherGps)];
    }
    return s_aModels[nIndex];
}

const SReceiverModel* FindReceiverModel(const CString& strName)
{
    for (const SReceiverModel& model : s_aModels)
    {
        if (strName.View() == model.m_pszName)
        {
            return &model;
        }
    }
    return nullptr;
}
