// The nineteen receiver models, one row each, written out here independently of the library's
// catalogue and compared with it row for row: display name, default baud rate, every capability
// predicate, and a run-time class record that matches only the class itself and CObject.
#include "Fixora_Vorn.h"

#include "support/ReceiverProbe.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

// Capabilities a host may offer; a row lists those whose predicate answers true.
constexpr unsigned RAW = 1u << 0;     // HasRawData
constexpr unsigned QNMEA = 1u << 1;   // ImplementsQueryNmea
constexpr unsigned QSET = 1u << 2;    // ImplementsQueryGpsSettings
constexpr unsigned BEACON = 1u << 3;  // ImplementsBeacon
constexpr unsigned ELEV = 1u << 4;    // ImplementsSetElevMask
constexpr unsigned SETNMEA = 1u << 5; // ImplementsSetNmea
constexpr unsigned RESET = 1u << 6;   // ImplementsResetAll
constexpr unsigned ORTHO = 1u << 7;   // GGASendsOrthoHeight
constexpr unsigned DGPS = 1u << 8;    // HasDGPSSupport

struct ModelRow
{
    const char* legend; // the class name
    std::unique_ptr<CDOZOzoeiver> (*pfnCreate)();
    int nObjectSize;
    const wchar_t* pszName;
    int nDefaultBaudrate;
    unsigned nCapabilities;
    CRuntimeClass* pParent; // the parent model's record, or null under CDOZOzoeiver
};

template <class TModel> std::unique_ptr<CDOZOzoeiver> Make()
{
    return std::make_unique<TModel>();
}

#define MODEL(class_name) #class_name, &Make < class_name>, static_cast < int>(sizeof(class_name))

const ModelRow kModels[] = {
    {MODEL(COmnistar), L"Omnistar", 4800, 0, nullptr},
    {MODEL(CCorvane), L"Corvane", 4800, 0, nullptr},
    {MODEL(CCorvanePocketGps), L"Corvane Pocket", 9600, 0, nullptr},
    {MODEL(CAshtech), L"Ashtech", 9600, RAW | SETNMEA, nullptr},
    {MODEL(CCSI), L"CSI", 9600, RAW | SETNMEA | QNMEA | QSET | BEACON | ELEV | RESET,
     RUNTIME_CLASS(CAshtech)},
    {MODEL(CRacal), L"Racal", 9600, RAW | SETNMEA | ORTHO, RUNTIME_CLASS(CAshtech)},
    {MODEL(CLeica), L"Leica", 9600, 0, nullptr},
    {MODEL(CStarlink), L"Starlink", 9600, QNMEA | BEACON | ELEV | SETNMEA | RESET | ORTHO, nullptr},
    {MODEL(CGarmin), L"Garmin 17-N", 4800, 0, nullptr},
    {MODEL(CJavad), L"Javad", 9600, 0, nullptr},
    {MODEL(CSatloc), L"Satloc", 9600, 0, nullptr},
    {MODEL(CSokkia), L"Sokkia Axis", 9600, BEACON | ELEV | SETNMEA, nullptr},
    {MODEL(CSokkiaAxis3), L"Sokkia Axis3", 9600, RAW | QNMEA | BEACON | ELEV | SETNMEA | DGPS,
     nullptr},
    {MODEL(CCSImax), L"CSI - MAX", 9600, RAW | QNMEA | BEACON | ELEV | SETNMEA | DGPS,
     RUNTIME_CLASS(CSokkiaAxis3)},
    {MODEL(CSirf), L"SiRF", 4800, SETNMEA | RESET | DGPS, nullptr},
    {MODEL(CToughbookGPS01), L"Toughbook GPS01", 4800, SETNMEA | RESET | DGPS,
     RUNTIME_CLASS(CSirf)},
    {MODEL(CHolux), L"Holux", 4800, SETNMEA | RESET | DGPS, RUNTIME_CLASS(CSirf)},
    {MODEL(COtherGps), L"NMEA-0183", 9600, 0, nullptr},
    {MODEL(Cgsr2650lb), L"GSR2650 LB", 9600, RAW | QNMEA | ELEV | SETNMEA | RESET | DGPS, nullptr},
};

#undef MODEL

unsigned CapabilitiesOf(CDOZOzoeiver& model)
{
    return (model.HasRawData() ? RAW : 0) | (model.ImplementsQueryNmea() ? QNMEA : 0) |
           (model.ImplementsQueryGpsSettings() ? QSET : 0) |
           (model.ImplementsBeacon() ? BEACON : 0) | (model.ImplementsSetElevMask() ? ELEV : 0) |
           (model.ImplementsSetNmea() ? SETNMEA : 0) | (model.ImplementsResetAll() ? RESET : 0) |
           (model.GGASendsOrthoHeight() ? ORTHO : 0) | (model.HasDGPSSupport() ? DGPS : 0);
}

class ModelCatalogueTest : public ::testing::Test
{
protected:
    void SetUp() override { ResetSharedReceiverState(); }

    CTempProfile m_profile;
};

} // namespace

TEST_F(ModelCatalogueTest, EveryModelHasItsNameRateCapabilitiesAndOwnRunTimeClass)
{
    for (const ModelRow& row : kModels)
    {
        SCOPED_TRACE(row.legend);
        const auto model = row.pfnCreate();
        EXPECT_EQ(CString(row.pszName).ToNarrow(), model->GetName().ToNarrow());
        EXPECT_EQ(row.nDefaultBaudrate, model->GetDefaultBaudrate());
        EXPECT_EQ(row.nCapabilities, CapabilitiesOf(*model));
        EXPECT_FALSE(model->IsExternalDriver() || model->IsRtkReceiver() ||
                     model->UseExternalSettings());
        EXPECT_TRUE(model->IsAvailable());

        // The class record matches only the class itself and CObject, never its parent model.
        const CRuntimeClass* pClass = model->GetRuntimeClass();
        ASSERT_NE(nullptr, pClass);
        EXPECT_STREQ(row.legend, pClass->m_lpszClassName);
        EXPECT_EQ(row.nObjectSize, pClass->m_nObjectSize);
        EXPECT_EQ(0xFFFFu, pClass->m_wSchema);
        EXPECT_EQ(nullptr, pClass->CreateObject());
        EXPECT_EQ(RUNTIME_CLASS(CObject), pClass->GetBaseClass());
        EXPECT_TRUE(model->IsKindOf(pClass) && model->IsKindOf(RUNTIME_CLASS(CObject)));
        EXPECT_FALSE(model->IsKindOf(RUNTIME_CLASS(CDOZOzoeiver)));
        if (row.pParent != nullptr)
        {
            EXPECT_FALSE(model->IsKindOf(row.pParent));
        }
    }
}

TEST_F(ModelCatalogueTest, TheLibraryCatalogueMirrorsTheModelsRowForRow)
{
    const auto models = GetReceiverModels();
    ASSERT_EQ(std::size(kModels), models.size());
    ASSERT_EQ(RECEIVER_MODEL_COUNT, static_cast<int>(models.size()));
    for (int i = 0; i < RECEIVER_MODEL_COUNT; ++i)
    {
        const ModelRow& row = kModels[i];
        const SReceiverModel& entry = models[i];
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(i, static_cast<int>(entry.m_eModel));
        EXPECT_EQ(&entry, &GetReceiverModel(entry.m_eModel));
        EXPECT_STREQ(row.legend, entry.m_pszClassName);
        EXPECT_STREQ(row.pszName, entry.m_pszName);
        EXPECT_EQ(row.nDefaultBaudrate, entry.m_nDefaultBaudrate);
        EXPECT_EQ(&entry, FindReceiverModel(CString(row.pszName)));

        ASSERT_NE(nullptr, entry.m_pfnCreate);
        std::unique_ptr<CDOZOzoeiver> created(entry.m_pfnCreate());
        ASSERT_NE(nullptr, created);
        EXPECT_STREQ(row.legend, created->GetRuntimeClass()->m_lpszClassName);
    }
}

TEST_F(ModelCatalogueTest, OnlyExactNamesAreFoundAndUnknownModelsFallBackToPlainNmea)
{
    // Each model's own name finds it (above); these find none.
    for (const wchar_t* pszName : {L"csi", L"NMEA-0183 ", L"Sokkia", L""})
    {
        SCOPED_TRACE(CString(pszName).ToNarrow());
        EXPECT_EQ(nullptr, FindReceiverModel(CString(pszName)));
    }
    EXPECT_STREQ("COtherGps", GetReceiverModel(EReceiverModel::Count).m_pszClassName);
    EXPECT_STREQ("COtherGps", GetReceiverModel(static_cast<EReceiverModel>(-1)).m_pszClassName);
}

TEST_F(ModelCatalogueTest, StoredRatesAreKeptPerModelName)
{
    // A rate saved for one model stays with that name, even where names share a prefix.
    CSokkia sokkia;
    CSokkiaAxis3 axis3;
    CCSI csi;
    CCSImax csiMax;
    sokkia.SetProperties(-1);
    EXPECT_TRUE(sokkia.SaveDifferentSettings(19200));
    csiMax.SetProperties(-1);
    EXPECT_TRUE(csiMax.SaveDifferentSettings(38400));

    axis3.SetProperties(-1);
    csi.SetProperties(-1);
    sokkia.SetProperties(-1);
    csiMax.SetProperties(-1);
    EXPECT_EQ(9600, axis3.GetCurrentBaudrate());
    EXPECT_EQ(9600, csi.GetCurrentBaudrate());
    EXPECT_EQ(19200, sokkia.GetCurrentBaudrate());
    EXPECT_EQ(38400, csiMax.GetCurrentBaudrate());
    EXPECT_EQ(19200, static_cast<int>(AfxGetApp()->GetProfileInt(L"Sokkia Axis", L"Baud", 0)));
    EXPECT_EQ(38400, static_cast<int>(AfxGetApp()->GetProfileInt(L"CSI - MAX", L"Baud", 0)));
}
