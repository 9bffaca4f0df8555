// Opening input files with a clear reason for failure.
#include "InputFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

std::FILE* OpenInputFile(const std::string& strPath, std::string& strError)
{
    const std::string strWhat = "cannot read '" + strPath + "': ";
    std::error_code error;
    if (std::filesystem::is_directory(strPath, error))
    {
        strError = strWhat + "it is a folder";
        return nullptr;
    }
    errno = 0;
    std::FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (pFile == nullptr)
    {
        strError = strWhat + std::strerror(errno);
        return nullptr;
    }
    // Some files open but cannot be read (a folder on some systems): try the first byte now.
    errno = 0;
    const int c = std::fgetc(pFile);
    if (c == EOF && std::ferror(pFile) != 0)
    {
        strError = strWhat + (errno != 0 ? std::strerror(errno) : "read error");
        std::fclose(pFile);
        return nullptr;
    }
    std::rewind(pFile);
    return pFile;
}

bool IsReadableFile(const std::string& strPath, std::string& strError)
{
    std::FILE* pFile = OpenInputFile(strPath, strError);
    if (pFile == nullptr)
    {
        return false;
    }
    std::fclose(pFile);
    return true;
}
