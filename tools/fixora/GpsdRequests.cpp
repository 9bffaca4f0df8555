// Reading client requests: a small scanner for the ?NAME framing and nlohmann::json for the
// object after the equals sign.
#include "GpsdRequests.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <initializer_list>

namespace
{

constexpr std::size_t s_nMaxName = 16;

// Pieces joined (GCC 12 at -O3 reports false overlaps in chains of string concatenation).
std::string Text(std::initializer_list<std::string_view> pieces)
{
    std::string strText;
    for (const std::string_view svPiece : pieces)
    {
        strText.append(svPiece);
    }
    return strText;
}

bool IsUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

// The length of the JSON object at the start of svText (braces counted outside strings), or 0
// when it does not close.
std::size_t ObjectLength(std::string_view svText)
{
    int nDepth = 0;
    bool bInString = false;
    for (std::size_t i = 0; i < svText.size(); ++i)
    {
        const char c = svText[i];
        if (bInString)
        {
            if (c == '\\')
            {
                ++i;
            }
            else if (c == '"')
            {
                bInString = false;
            }
        }
        else if (c == '"')
        {
            bInString = true;
        }
        else if (c == '{')
        {
            ++nDepth;
        }
        else if (c == '}' && --nDepth == 0)
        {
            return i + 1;
        }
    }
    return 0;
}

// Applies the members of a ?WATCH object that this server knows; false when one has the wrong
// type. Enabling without choosing a form chooses JSON, as clients that ask only to enable
// expect.
bool ApplyWatch(const nlohmann::json& args, SGpsdWatch& watch)
{
    struct SFlag
    {
        const char* pszKey;
        bool SGpsdWatch::*pMember;
    };
    static constexpr SFlag s_Flags[] = {{"enable", &SGpsdWatch::bEnable},
                                        {"json", &SGpsdWatch::bJson},
                                        {"nmea", &SGpsdWatch::bNmea}};
    SGpsdWatch changed = watch;
    for (const SFlag& flag : s_Flags)
    {
        if (const auto it = args.find(flag.pszKey); it != args.end())
        {
            if (!it->is_boolean())
            {
                return false;
            }
            changed.*flag.pMember = it->get<bool>();
        }
    }
    // "raw":1 asks NMEA devices for their sentences.
    if (const auto it = args.find("raw"); it != args.end())
    {
        if (!it->is_number_integer())
        {
            return false;
        }
        changed.bNmea = changed.bNmea || it->get<int>() > 0;
    }
    if (changed.bEnable && !changed.bJson && !changed.bNmea)
    {
        changed.bJson = true;
    }
    watch = changed;
    return true;
}

} // namespace

std::vector<std::string> AnswerGpsdLine(std::string_view svLine, SGpsdWatch& watch,
                                        const SGpsdState& state)
{
    std::vector<std::string> answers;
    std::size_t i = 0;
    const auto skip = [&](auto isSkipped) {
        while (i < svLine.size() && isSkipped(svLine[i]))
        {
            ++i;
        }
    };
    for (;;)
    {
        skip([](char c) { return c == ';' || std::isspace(static_cast<unsigned char>(c)); });
        if (i == svLine.size())
        {
            return answers;
        }
        if (svLine[i] != '?')
        {
            answers.push_back(GpsdError("a request starts with '?'"));
            return answers;
        }
        const std::size_t nNameStart = ++i;
        skip(IsUpper);
        const std::string_view svName = svLine.substr(nNameStart, i - nNameStart);
        if (svName.empty() || svName.size() > s_nMaxName)
        {
            answers.push_back(GpsdError("a request needs a name in capitals"));
            return answers;
        }
        nlohmann::json args = nlohmann::json::object();
        if (i < svLine.size() && svLine[i] == '=')
        {
            const std::string_view svRest = svLine.substr(++i);
            const std::size_t nLength = ObjectLength(svRest);
            if (nLength > 0)
            {
                args = nlohmann::json::parse(svRest.substr(0, nLength), nullptr, false);
            }
            if (nLength == 0 || args.is_discarded() || !args.is_object())
            {
                answers.push_back(GpsdError(Text({"?", svName, " takes a JSON object"})));
                return answers;
            }
            i += nLength;
        }
        if (i < svLine.size() && svLine[i] != ';' &&
            !std::isspace(static_cast<unsigned char>(svLine[i])))
        {
            answers.push_back(GpsdError(Text({"unexpected text after ?", svName})));
            return answers;
        }
        if (svName == "VERSION")
        {
            answers.push_back(GpsdVersion());
        }
        else if (svName == "DEVICES")
        {
            answers.push_back(GpsdDevices(state.pDevice));
        }
        else if (svName == "WATCH")
        {
            if (!ApplyWatch(args, watch))
            {
                answers.push_back(GpsdError("?WATCH: enable, json and nmea are true or false, "
                                            "raw is a whole number"));
                return answers;
            }
            if (watch.bEnable)
            {
                answers.push_back(GpsdDevices(state.pDevice));
            }
            answers.push_back(GpsdWatchAnswer(watch));
        }
        else if (svName == "POLL")
        {
            answers.push_back(
                GpsdPoll(state.strLastTpv, state.strLastSky, state.pDevice != nullptr, state.now));
        }
        else
        {
            answers.push_back(GpsdError(Text({"unknown request ?", svName})));
        }
    }
}
