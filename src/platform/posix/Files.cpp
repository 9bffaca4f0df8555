// The executable's path and file attributes.
#include "OsApi.h"
#include "platform/App.h"
#include "platform/Files.h"

#include <cerrno>
#include <dlfcn.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

std::string ExecutablePath()
{
    std::vector<char> buffer(256);
    for (;;)
    {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
        {
            return {};
        }
        if (static_cast<std::size_t>(n) < buffer.size())
        {
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        }
        buffer.resize(buffer.size() * 2);
    }
}

const char s_anchor = 0; // an address inside this module

// The file this code was loaded from: the shared library, or the program it is linked into.
std::string LibraryPath()
{
    Dl_info info{};
    if (dladdr(&s_anchor, &info) != 0 && info.dli_fname != nullptr && info.dli_fname[0] == '/')
    {
        return info.dli_fname;
    }
    return ExecutablePath();
}

} // namespace

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    if (lpFilename == nullptr)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string path;
    if (hModule == nullptr)
    {
        path = ExecutablePath();
    }
    else if (hModule == AfxGetResourceHandle())
    {
        path = LibraryPath();
    }
    else
    {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (path.empty())
    {
        SetLastError(ERROR_GEN_FAILURE);
        return 0;
    }
    if (nSize == 0)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // Bytes become characters one to one. A path that does not fit is cut to nSize - 1
    // characters and a terminating zero, and the answer is nSize, as on the original.
    const bool bFits = path.size() < nSize;
    const std::size_t nCopy = bFits ? path.size() : nSize - 1;
    for (std::size_t i = 0; i < nCopy; ++i)
    {
        lpFilename[i] = static_cast<wchar_t>(static_cast<unsigned char>(path[i]));
    }
    lpFilename[nCopy] = L'\0';
    SetLastError(bFits ? ERROR_SUCCESS : ERROR_INSUFFICIENT_BUFFER);
    return bFits ? static_cast<DWORD>(nCopy) : nSize;
}

DWORD GetFileAttributesW(LPCWSTR lpFileName)
{
    if (lpFileName == nullptr || lpFileName[0] == L'\0')
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    const std::string path = ToSystemPath(lpFileName);
    struct stat info
    {
    };
    if (stat(path.c_str(), &info) != 0)
    {
        SetLastError(errno == EACCES   ? ERROR_ACCESS_DENIED
                     : errno == ENOENT ? ERROR_FILE_NOT_FOUND
                                       : ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    // Read-only as the original means it: nobody may write it (no write permission bit), or
    // this process may not (another user's file, a read-only file system).
    const bool bReadOnly =
        (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path.c_str(), W_OK) != 0;
    DWORD dwAttributes = 0;
    if (S_ISDIR(info.st_mode))
    {
        dwAttributes |= FILE_ATTRIBUTE_DIRECTORY;
    }
    if (bReadOnly)
    {
        dwAttributes |= FILE_ATTRIBUTE_READONLY;
    }
    // NORMAL stands alone: a plain, writable file.
    return dwAttributes != 0 ? dwAttributes : FILE_ATTRIBUTE_NORMAL;
}
