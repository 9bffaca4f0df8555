// Where the profile lives by default: the user's configuration folder of the XDG convention.
#include "platform/Profile.h"

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

std::string HomeFolder()
{
    const char* pszHome = std::getenv("HOME");
    if (pszHome != nullptr && pszHome[0] != '\0')
    {
        return pszHome;
    }
    // No HOME (a service, a stripped environment): ask the user database.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* pResult = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &pResult) == 0 &&
        pResult != nullptr && pResult->pw_dir != nullptr)
    {
        return pResult->pw_dir;
    }
    return "/tmp";
}

std::string ConfigFolder()
{
    // The convention ignores a relative XDG_CONFIG_HOME.
    const char* pszConfig = std::getenv("XDG_CONFIG_HOME");
    std::string folder =
        pszConfig != nullptr && pszConfig[0] == '/' ? pszConfig : HomeFolder() + "/.config";
    while (folder.size() > 1 && folder.back() == '/')
    {
        folder.pop_back();
    }
    return folder;
}

} // namespace

namespace Profile
{

CString DefaultPath(const CString& strAppName)
{
    // The folder's bytes become characters one to one, so ToSystemPath gives them back unchanged.
    CString strPath(ConfigFolder().c_str());
    strPath += L'/';
    strPath += strAppName;
    strPath += L'/';
    strPath += strAppName;
    strPath += L".ini";
    return strPath;
}

} // namespace Profile
