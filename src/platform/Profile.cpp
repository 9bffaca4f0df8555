// The application profile as an INI file in UTF-8. The file is read afresh for every value, so
// values written by another process are seen; a write replaces the file in one step (a new file
// renamed over the old), so a reader never sees half of it.
#include "platform/Profile.h"

#include "platform/Files.h"
#include "platform/Utf8.h"

// Header-only use: the template bodies come from the header (this Debian build would otherwise
// expect its static library). Only the narrow class is used, with UTF-8 text, so no conversion
// library is needed.
#define SI_IMPLEMENTATION
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <system_error>

namespace
{

std::filesystem::path SystemPath(const CString& strPath)
{
    return std::filesystem::path(ToSystemPath(strPath.GetString()));
}

// A whole decimal int, optionally signed and surrounded by blanks; anything else is no number.
bool ParseInt(const char* pszText, int& nValue)
{
    if (pszText == nullptr)
    {
        return false;
    }
    errno = 0;
    char* pEnd = nullptr;
    const long value = std::strtol(pszText, &pEnd, 10);
    if (pEnd == pszText || errno == ERANGE || value < INT_MIN || value > INT_MAX)
    {
        return false;
    }
    while (*pEnd == ' ' || *pEnd == '\t' || *pEnd == '\r' || *pEnd == '\n')
    {
        ++pEnd;
    }
    if (*pEnd != '\0')
    {
        return false;
    }
    nValue = static_cast<int>(value);
    return true;
}

// Only a regular file is read: the INI reader would take a folder's or a device's reported size
// at face value.
bool Load(CSimpleIniA& ini, const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ini.LoadFile(path.c_str()) >= 0;
}

// Writers in this process take turns, so two updates of different entries both survive.
std::mutex& WriteMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Kept as a path, so that a folder outside the narrow code page (a user's application-data
// folder on Windows) is written through the wide file calls.
std::filesystem::path TemporaryName(const std::filesystem::path& path)
{
    std::random_device random;
    std::filesystem::path temporary = path;
    temporary += ".tmp" + std::to_string(random()) + std::to_string(random());
    return temporary;
}

} // namespace

namespace Profile
{

int ReadInt(const CString& strPath, const CString& strSection, const CString& strEntry,
            int nDefault)
{
    if (strPath.IsEmpty())
    {
        return nDefault;
    }
    CSimpleIniA ini;
    ini.SetUnicode(true);
    if (!Load(ini, SystemPath(strPath)))
    {
        return nDefault;
    }
    int nValue = nDefault;
    const char* pszValue =
        ini.GetValue(ToUtf8(strSection.View()).c_str(), ToUtf8(strEntry.View()).c_str(), nullptr);
    return ParseInt(pszValue, nValue) ? nValue : nDefault;
}

bool WriteInt(const CString& strPath, const CString& strSection, const CString& strEntry,
              int nValue)
{
    if (strPath.IsEmpty() || strSection.IsEmpty() || strEntry.IsEmpty())
    {
        return false;
    }
    const auto path = SystemPath(strPath);
    std::lock_guard lock(WriteMutex());

    CSimpleIniA ini;
    ini.SetUnicode(true);
    std::error_code error;
    if (std::filesystem::exists(path, error))
    {
        // Never replace a profile that exists but cannot be read: its other values would be lost.
        if (!Load(ini, path))
        {
            return false;
        }
    }
    else if (path.has_parent_path())
    {
        std::filesystem::create_directories(path.parent_path(), error);
        if (error)
        {
            return false;
        }
    }
    if (ini.SetValue(ToUtf8(strSection.View()).c_str(), ToUtf8(strEntry.View()).c_str(),
                     std::to_string(nValue).c_str()) < 0)
    {
        return false;
    }
    const std::filesystem::path temporary = TemporaryName(path);
    if (ini.SaveFile(temporary.c_str(), false) < 0)
    {
        std::filesystem::remove(temporary, error);
        return false;
    }
    std::filesystem::rename(temporary, path, error);
    if (error)
    {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

} // namespace Profile
