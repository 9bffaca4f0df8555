// Model registration and the model list.
#include "ModelRegistry.h"

#include "Commands.h"
#include "RecordFields.h"

#include <nlohmann/json.hpp>

#include <memory>

CDOZOzoeiver* RegisterModel(CZIDOvoine& engine, const std::string& strModel)
{
    const CString strName(strModel.c_str());
    CDOZOzoeiver* pDefault = engine.FindReceiver(strName);
    if (pDefault->GetName() == strName)
    {
        return pDefault;
    }
    const SReceiverModel* pRow = FindReceiverModel(strName);
    if (pRow == nullptr)
    {
        return pDefault;
    }
    std::unique_ptr<CDOZOzoeiver> pReceiver(pRow->m_pfnCreate());
    if (!engine.AddReceiver(pReceiver.get()))
    {
        return pDefault;
    }
    return pReceiver.release();
}

namespace
{

// The names of the capabilities a row claims ("raw-data", ...).
std::vector<std::string> CapabilityNames(const SReceiverModel& row)
{
    const std::pair<unsigned, const char*> capabilities[] = {
        {MODEL_RAW_DATA, "raw-data"},
        {MODEL_QUERY_NMEA, "query-nmea"},
        {MODEL_QUERY_SETTINGS, "query-settings"},
        {MODEL_BEACON, "beacon"},
        {MODEL_ELEV_MASK, "elevation-mask"},
        {MODEL_SET_NMEA, "set-nmea"},
        {MODEL_RESET, "reset"},
        {MODEL_ORTHO_HEIGHT, "orthometric-height"},
        {MODEL_DGPS, "dgps"},
    };
    std::vector<std::string> names;
    for (const auto& [nCapability, pszName] : capabilities)
    {
        if ((row.m_nCapabilities & nCapability) != 0)
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
        std::fprintf(pOutput, "%-18s %6s  %s\n", "MODEL", "BAUD", "CAPABILITIES / COMMANDS");
    }
    for (const SReceiverModel& row : GetReceiverModels())
    {
        const std::vector<std::string> capabilities = CapabilityNames(row);
        const std::string strName = WideToUtf8(CString(row.m_pszName));
        const std::string strCommands = AvailableCommands(row);
        if (bJson)
        {
            nlohmann::ordered_json commands = nlohmann::ordered_json::array();
            for (const SCommandOption& option : CommandOptions())
            {
                if (option.pfnAvailable(row))
                {
                    commands.push_back(option.pszName);
                }
            }
            const nlohmann::ordered_json json{{"name", strName},
                                              {"class", row.m_pszClassName},
                                              {"default_baud", row.m_nDefaultBaudrate},
                                              {"capabilities", capabilities},
                                              {"commands", commands}};
            std::fprintf(pOutput, "%s\n", json.dump().c_str());
            continue;
        }
        std::string strCapabilities;
        for (const std::string& strCapability : capabilities)
        {
            strCapabilities += (strCapabilities.empty() ? "" : " ") + strCapability;
        }
        std::fprintf(pOutput, "%-18s %6d  %s\n%-25s  commands: %s\n", strName.c_str(),
                     row.m_nDefaultBaudrate,
                     strCapabilities.empty() ? "-" : strCapabilities.c_str(), "",
                     strCommands.c_str());
    }
}
