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
constexpr SReceiverModel s_aModels[] = {
    // model              class name            display name       baud  factory
    {M::Omnistar,         "COmnistar",         L"Omnistar",         4800, &Create<COmnistar>},
    {M::Corvane,          "CCorvane",          L"Corvane",          4800, &Create<CCorvane>},
    {M::CorvanePocketGps, "CCorvanePocketGps", L"Corvane Pocket",   9600, &Create<CCorvanePocketGps>},
    {M::Ashtech,          "CAshtech",          L"Ashtech",          9600, &Create<CAshtech>},
    {M::CSI,              "CCSI",              L"CSI",              9600, &Create<CCSI>},
    {M::Racal,            "CRacal",            L"Racal",            9600, &Create<CRacal>},
    {M::Leica,            "CLeica",            L"Leica",            9600, &Create<CLeica>},
    {M::Starlink,         "CStarlink",         L"Starlink",         9600, &Create<CStarlink>},
    {M::Garmin,           "CGarmin",           L"Garmin 17-N",      4800, &Create<CGarmin>},
    {M::Javad,            "CJavad",            L"Javad",            9600, &Create<CJavad>},
    {M::Satloc,           "CSatloc",           L"Satloc",           9600, &Create<CSatloc>},
    {M::Sokkia,           "CSokkia",           L"Sokkia Axis",      9600, &Create<CSokkia>},
    {M::SokkiaAxis3,      "CSokkiaAxis3",      L"Sokkia Axis3",     9600, &Create<CSokkiaAxis3>},
    {M::CSImax,           "CCSImax",           L"CSI - MAX",        9600, &Create<CCSImax>},
    {M::Sirf,             "CSirf",             L"SiRF",             4800, &Create<CSirf>},
    {M::ToughbookGPS01,   "CToughbookGPS01",   L"Toughbook GPS01",  4800, &Create<CToughbookGPS01>},
    {M::Holux,            "CHolux",            L"Holux",            4800, &Create<CHolux>},
    {M::OtherGps,         "COtherGps",         L"NMEA-0183",        9600, &Create<COtherGps>},
    {M::Gsr2650lb,        "Cgsr2650lb",        L"GSR2650 LB",       9600, &Create<Cgsr2650lb>},
};
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
