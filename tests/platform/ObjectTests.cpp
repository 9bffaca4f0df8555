// Run-time class records: a kind-of test follows the records, not the C++ inheritance. The
// receiver models name CObject as the base of every record, so kind-of sees only the class
// itself and CObject.
#include "platform/Framework.h"

#include <gtest/gtest.h>

namespace
{

class CVehicle : public CObject
{
    DECLARE_DYNAMIC(CVehicle)
};
IMPLEMENT_DYNAMIC(CVehicle, CObject)

class CBoat : public CVehicle
{
    DECLARE_DYNAMIC(CBoat)
};
IMPLEMENT_DYNAMIC(CBoat, CObject)

class CSailboat : public CBoat
{
    DECLARE_DYNAMIC(CSailboat)

public:
    int m_nMasts = 2;
};
IMPLEMENT_DYNAMIC(CSailboat, CObject)

} // namespace

TEST(RuntimeClass, KindOfFollowsTheRecords)
{
    const CVehicle vehicle;
    const CBoat boat;
    const CSailboat sailboat;
    struct Row
    {
        const char* legend;
        const CObject& object;
        CRuntimeClass* pClass;
        bool bKindOf;
    };
    const Row rows[] = {
        {"own class", boat, RUNTIME_CLASS(CBoat), true},
        {"CObject", sailboat, RUNTIME_CLASS(CObject), true},
        {"C++ base not in the record", sailboat, RUNTIME_CLASS(CBoat), false},
        {"C++ grandbase not in the record", sailboat, RUNTIME_CLASS(CVehicle), false},
        {"derived class", vehicle, RUNTIME_CLASS(CBoat), false},
        {"sibling", boat, RUNTIME_CLASS(CSailboat), false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(row.bKindOf, row.object.IsKindOf(row.pClass) != FALSE);
    }
}

TEST(RuntimeClass, RecordContents)
{
    const CSailboat sailboat;
    const CRuntimeClass* pClass = static_cast<const CObject&>(sailboat).GetRuntimeClass();
    EXPECT_EQ(RUNTIME_CLASS(CSailboat), pClass) << "virtual: the dynamic class";
    EXPECT_STREQ("CSailboat", pClass->m_lpszClassName);
    EXPECT_EQ(static_cast<int>(sizeof(CSailboat)), pClass->m_nObjectSize);
    EXPECT_EQ(RUNTIME_CLASS(CObject), pClass->GetBaseClass());
    EXPECT_EQ(nullptr, pClass->CreateObject());
    EXPECT_EQ(nullptr, RUNTIME_CLASS(CObject)->GetBaseClass());
}
