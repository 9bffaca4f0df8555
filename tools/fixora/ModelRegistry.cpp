// Model registration and the model list.
#include "ModelRegistry.h"

#include "RecordFields.h"

#include <nlohmann/json.hpp>

#include <memory>

CDOZOzoeiver* RegisterModels(CZIDOvoine& engine, const std::string& strModel)
{
    for (const SReceiverModel& row : GetReceiverModels())
    {
        std::unique_ptr<CDOZOzoeiver> pReceiver(row.m_pfnCreate());
        // A refused receiver (the name is taken) stays ours and goes away here.
        if (pReceiver && engine.AddReceiver(pReceiver.get()))
        {
            pReceiver.release();
        }
    }
    return engine.FindReceiver(CString(strModel.c_str()));
}

namespace
{

// The names of the capability predicates that are true for a receiver ("raw-data", ...).
std::vector<std::string> CapabilityNames(CDOZOzoeiver& r)
{
    const std::pair<bool, const char*> predicates[] = {
        {r.HasRawData(), "raw-data"},
        {r.IsRtkReceiver(), "rtk"},
        {r.ImplementsQueryNmea(), "query-nmea"},
        {r.ImplementsQueryGpsSettings(), "query-settings"},
        {r.ImplementsBeacon(), "beacon"},
        {r.ImplementsSetElevMask(), "elevation-mask"},
        {r.ImplementsSetNmea(), "set-nmea"},
        {r.ImplementsResetAll(), "reset"},
        {r.GGASendsOrthoHeight(), "orthometric-height"},
        {r.HasDGPSSupport(), "dgps"},
        {r.IsExternalDriver(), "external-driver"},
        {r.UseExternalSettings(), "external-settings"},
    };
    std::vector<std::string> names;
    for (const auto& [bTrue, pszName] : predicates)
    {
        if (bTrue)
        {
            names.emplace_back(pszName);
        }
    }
    return names;
}

} // namespace

void PrintModelList(bool bJson, std::FILE* pOutput)
{
    if (!bJson)
    {
        std::fprintf(pOutput, "%-18s %6s  %s\n", "MODEL", "BAUD", "CAPABILITIES");
    }
    for (const SReceiverModel& row : GetReceiverModels())
    {
        const std::unique_ptr<CDOZOzoeiver> pReceiver(row.m_pfnCreate());
        const std::vector<std::string> capabilities =
            pReceiver ? CapabilityNames(*pReceiver) : std::vector<std::string>();
        const std::string strName = WideToUtf8(CString(row.m_pszName));
        if (bJson)
        {
            const nlohmann::ordered_json json{{"name", strName},
                                              {"class", row.m_pszClassName},
                                              {"default_baud", row.m_nDefaultBaudrate},
                                              {"capabilities", capabilities}};
            std::fprintf(pOutput, "%s\n", json.dump().c_str());
            continue;
        }
        std::string strCapabilities;
        for (const std::string& strCapability : capabilities)
        {
            strCapabilities += (strCapabilities.empty() ? "" : " ") + strCapability;
        }
        std::fprintf(pOutput, "%-18s %6d  %s\n", strName.c_str(), row.m_nDefaultBaudrate,
                     strCapabilities.empty() ? "-" : strCapabilities.c_str());
    }
}
