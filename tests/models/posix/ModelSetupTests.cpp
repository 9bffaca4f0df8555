// What the models send on their own, on a pseudo-terminal: the output setup that Initialize
// writes once the base has opened the port (and never when the base failed), the keep-alive line
// of the receivers that need one. Pauses are counted through the sleep hook instead of waited
// out.
#include "Fixora_Vorn.h"

#include "support/PauseRecorder.h"
#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr int kPort = 5;

// A model whose port cannot be opened, so that the base Initialize fails while the shared port
// is open all the same (another receiver left it open).
template <class TModel> class CFailingOpen : public TModel
{
public:
    bool OpenPort() override { return false; }
};

template <class TModel> std::unique_ptr<CDOZOzoeiver> Make()
{
    return std::make_unique<TModel>();
}

class ModelSetupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        ASSERT_TRUE(m_pty.IsValid());
    }

    void TearDown() override { CDOZOzoeiver::m_Port.Close(); }

    // Sets the model up on the test's port and opens it there, as the engine's Initialize
    // would, without counting the port's own settle pause.
    void OpenFor(CDOZOzoeiver& model)
    {
        model.SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        model.SetProperties(-1);
        ASSERT_TRUE(model.OpenPort());
        m_pauses.Clear();
    }

    CTempProfile m_profile;
    CPseudoTerminal m_pty{kPort};
    CPauseRecorder m_pauses;
};

} // namespace

TEST_F(ModelSetupTest, InitializeWritesEachModelsSetupWithItsPauses)
{
    struct Row
    {
        const char* legend;
        std::unique_ptr<CDOZOzoeiver> (*pfnCreate)();
        std::string expected;
        std::vector<DWORD> pauses;
    };
    const Row rows[] = {
        {"Leica: GGA, GSA and GSV output",
         &Make<CLeica>,
         "$PMVXG,007,,1,,,,,\r\n"
         "$PMVXG,007,GGA,0,1,,1,6,2\r\n"
         "$PMVXG,007,GSA,0,1,,1,,,\r\n"
         "$PMVXG,007,GSV,0,1,,5,,,\r\n",
         {200, 200, 200, 200}},
        {"Sokkia Axis", &Make<CSokkia>, "$PMCAG,008,15,,,,,,,,,,5,,,,,\r\n", {500}},
        {"Sokkia Axis3: a pause only", &Make<CSokkiaAxis3>, "", {500}},
        {"CSI - MAX as Axis3", &Make<CCSImax>, "", {500}},
        {"the base alone", &Make<COtherGps>, "", {}},
        {"Corvane", &Make<CCorvane>, "", {}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CDOZOzoeiver::m_GPSData.m_bPosition = true;
        const auto model = row.pfnCreate();
        OpenFor(*model);

        EXPECT_TRUE(model->Initialize());
        EXPECT_FALSE(CDOZOzoeiver::m_GPSData.m_bPosition) << "the base ran first";
        EXPECT_EQ(row.expected, m_pty.Receive(row.expected.size()));
        EXPECT_EQ(row.pauses, m_pauses.Pauses());
        CDOZOzoeiver::m_Port.Close();
    }
}

TEST_F(ModelSetupTest, InitializeOpensThePortAtTheModelsRateBeforeItsSetup)
{
    CLeica leica;
    leica.SetupReceiver(kPort, 0, 0.0, CString(L""), false);
    leica.SetProperties(19200);

    ASSERT_TRUE(leica.Initialize());
    EXPECT_TRUE(CDOZOzoeiver::m_Port.IsOpen());
    const termios tio = m_pty.SlaveTermios();
    EXPECT_EQ(static_cast<speed_t>(B19200), cfgetospeed(&tio));
    const std::string first = "$PMVXG,007,,1,,,,,\r\n";
    EXPECT_EQ(first, m_pty.Receive(first.size()).substr(0, first.size()));
}

TEST_F(ModelSetupTest, NothingIsSentWhenTheBaseInitializeFails)
{
    struct Row
    {
        const char* legend;
        std::unique_ptr<CDOZOzoeiver> (*pfnCreate)();
    };
    const Row rows[] = {
        {"Leica", &Make<CFailingOpen<CLeica>>},
        {"Sokkia Axis", &Make<CFailingOpen<CSokkia>>},
        {"Sokkia Axis3", &Make<CFailingOpen<CSokkiaAxis3>>},
        {"CSI - MAX", &Make<CFailingOpen<CCSImax>>},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        COtherGps other;
        OpenFor(other);
        const auto model = row.pfnCreate();
        model->SetupReceiver(kPort, 0, 0.0, CString(L""), false);

        EXPECT_FALSE(model->Initialize());
        EXPECT_TRUE(CDOZOzoeiver::m_Port.IsOpen());
        EXPECT_EQ("", m_pty.Receive(0));
        EXPECT_TRUE(m_pauses.Pauses().empty());
        CDOZOzoeiver::m_Port.Close();
    }
}

TEST_F(ModelSetupTest, KeepAliveWakesOnlyCorvaneAndLeica)
{
    const std::string keepAlive = "VKR Orlo\r\n";
    for (const SReceiverModel& entry : GetReceiverModels())
    {
        SCOPED_TRACE(entry.m_pszClassName);
        const bool bWakes =
            entry.m_eModel == EReceiverModel::Corvane || entry.m_eModel == EReceiverModel::Leica;
        std::unique_ptr<CDOZOzoeiver> model(entry.m_pfnCreate());
        OpenFor(*model);

        model->KeepAlive();
        model->KeepAlive();
        const std::string expected = bWakes ? keepAlive + keepAlive : "";
        EXPECT_EQ(expected, m_pty.Receive(expected.size()));
        EXPECT_TRUE(m_pauses.Pauses().empty()) << "no pause after the keep-alive line";
        CDOZOzoeiver::m_Port.Close();
    }
}
