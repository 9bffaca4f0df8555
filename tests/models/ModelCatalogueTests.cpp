// The catalogue as a host uses it: each row creates its own model, found by its exact name and
// by its value, whose run-time class matches no other model's. (What each model writes is in
// posix/CommandSetTests.cpp; a stored rate's section is the model's name, which
// receiver/posix/ReceiverBaseTests.cpp keeps apart from names that share a prefix.)
#include "Fixora_Vorn.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

TEST(ModelCatalogueTest, EachRowCreatesItsOwnModelFoundByItsExactNameAndValue)
{
    std::vector<std::unique_ptr<CDOZOzoeiver>> models;
    for (const SReceiverModel& row : GetReceiverModels())
    {
        SCOPED_TRACE(row.m_pszClassName);
        models.emplace_back(row.m_pfnCreate());
        CDOZOzoeiver& model = *models.back();
        EXPECT_STREQ(row.m_pszClassName, model.GetRuntimeClass()->m_lpszClassName);
        EXPECT_EQ(nullptr, model.GetRuntimeClass()->CreateObject()) << "no dynamic creation";
        // Only these two report the height above the geoid in their GGA.
        EXPECT_EQ(row.m_eModel == EReceiverModel::Racal || row.m_eModel == EReceiverModel::Starlink,
                  model.GGASendsOrthoHeight());
        EXPECT_EQ(CString(row.m_pszName), model.GetName());
        EXPECT_TRUE(IsCatalogueModelClass(model));
        EXPECT_EQ(&row, FindReceiverModel(model.GetName()));
        EXPECT_FALSE(model.IsExternalDriver() || model.IsRtkReceiver() ||
                     model.UseExternalSettings() || !model.IsAvailable());
        EXPECT_TRUE(model.IsKindOf(RUNTIME_CLASS(CObject)));
        EXPECT_FALSE(model.IsKindOf(RUNTIME_CLASS(CDOZOzoeiver)));
    }
    ASSERT_EQ(RECEIVER_MODEL_COUNT, static_cast<int>(models.size()));
    // A model's class record is its own: not even a model it derives from matches it.
    for (std::size_t i = 0; i < models.size(); ++i)
    {
        for (std::size_t j = 0; j < models.size(); ++j)
            EXPECT_EQ(i == j, models[i]->IsKindOf(models[j]->GetRuntimeClass())) << i << ' ' << j;
    }
    for (const wchar_t* pszName : {L"csi", L"NMEA-0183 ", L"Sokkia", L""})
        EXPECT_EQ(nullptr, FindReceiverModel(CString(pszName))) << CString(pszName).ToNarrow();
    EXPECT_STREQ("COtherGps", GetReceiverModel(EReceiverModel::Count).m_pszClassName);
    EXPECT_STREQ("COtherGps", GetReceiverModel(static_cast<EReceiverModel>(-1)).m_pszClassName);
}
