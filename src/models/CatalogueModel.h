// CCatalogueModel: a receiver model described by its catalogue row. Every model class derives from
// it and names its row; the receiver's virtual operations read the row (name, baud rate,
// capabilities, command scripts), so a model class holds only what its row cannot say.
#pragma once

#include "models/ModelCatalogue.h"
#include "receiver/DOZOzoeiver.h"

#include <optional>

class FIXORA_API CCatalogueModel : public CDOZOzoeiver
{
public:
    CString GetName() override;
    int GetDefaultBaudrate() override;
    bool HasRawData() override;
    bool Initialize() override;
    void KeepAlive() override;
    bool ImplementsQueryNmea() override;
    void QueryNmeaActive() override;
    bool ImplementsQueryGpsSettings() override;
    void QueryGpsSettings() override;
    bool ImplementsBeacon() override;
    void QueryBeacon() override;
    void SetBeacon(BEACON_MODE_TYPE eMode, CString strFrequency, CString strBitRate) override;
    bool ImplementsSetElevMask() override;
    void QuerySatElevMask() override;
    void SetSatElevMask(int nDegrees) override;
    bool ImplementsSetNmea() override;
    void SetDefaultNMEA() override;
    void SetGgaOnlyNMEA() override;
    bool ImplementsResetAll() override;
    bool ResetAll(bool bShowWait) override;
    bool GGASendsOrthoHeight() override;
    bool HasDGPSSupport() const override;
    void QueryDgpsMode() override;
    void SetDgpsMode(DgpsMode eMode) override;
    void QueryOmniStar() override;
    void DgpsStatusMsg(bool bOn) override;
    void QueryLbandSatellites() override;
    void SetLbandFrequency(double dFrequency, int nBitRate) override;
    void SendCorrection() override;
    void QueryWAAS() override;

    const SReceiverModel& Model() const { return *m_pModel; }

protected:
    explicit CCatalogueModel(EReceiverModel eModel);

    // Whether a script asks the port first: most operations do nothing while it is closed.
    enum class EPort
    {
        MustBeOpen,
        AsItIs
    };

    // Writes each step of the script, formatting its line with the arguments, and pauses after
    // each. Write failures are not reported: a receiver answers in its stream, if at all.
    template <class... TArgs> void Run(CommandScript script, EPort ePort, TArgs... args)
    {
        if (script.empty() || (ePort == EPort::MustBeOpen && !m_Port.IsOpen()))
        {
            return;
        }
        for (const SCommandStep& step : script)
        {
            CString strLine;
            if (step.m_pfnLine != nullptr)
            {
                strLine = step.m_pfnLine();
            }
            else if (step.m_pszLine != nullptr)
            {
                if constexpr (sizeof...(TArgs) == 0)
                {
                    strLine = step.m_pszLine;
                }
                else
                {
                    strLine.Format(step.m_pszLine, args...);
                }
            }
            RunStep(step, strLine, false);
        }
    }

    // The reset script after Initialize: nothing (no value) when Initialize fails or the port is
    // closed; otherwise whether every step was acknowledged. A step that fails never stops the
    // ones after it.
    std::optional<bool> RunReset(bool bShowWait);

    // The acknowledged steps of a script (a reset's), without the Initialize of RunReset: whether
    // every step was acknowledged.
    bool RunAcknowledged(CommandScript script, bool bShowWait);

    // Whole seconds of an interval, truncated toward zero; beyond the range of int (or not a
    // number) it is the nearest end of the range (0).
    static int TruncatedSeconds(double dSeconds);

private:
    // One step: the line (acknowledged where the step says so), then the pause. False when an
    // acknowledged line was not acknowledged.
    bool RunStep(const SCommandStep& step, const CString& strLine, bool bShowWait);
    bool Claims(unsigned nCapability) const;

    const SReceiverModel* m_pModel;
};

// The run-time class record and the constructor that names the row, for a model class declared
// with DECLARE_DYNAMIC and a constructor taking no argument.
#define IMPLEMENT_RECEIVER_MODEL(class_name, base_class, model)                                    \
    IMPLEMENT_DYNAMIC(class_name, CObject)                                                         \
    class_name::class_name() : base_class(EReceiverModel::model) {}
