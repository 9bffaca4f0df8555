// Runs the fixora program as a user would and hands back its exit code, standard output and
// standard error, with helpers for the files the tests feed it (sentences: support/Sentences.h).
#pragma once

#include "support/Sentences.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#if __has_include(<sys/wait.h>)
#include <sys/wait.h>
#endif

struct SFixoraRun
{
    int nExit = -1;
    std::string strOut;
    std::string strErr;

    // Every standard-output line parsed as JSON (a line that is not JSON fails the parse).
    std::vector<nlohmann::json> Records() const
    {
        std::vector<nlohmann::json> records;
        std::istringstream lines(strOut);
        for (std::string strLine; std::getline(lines, strLine);)
        {
            records.push_back(nlohmann::json::parse(strLine));
        }
        return records;
    }
    // The records of type "position" whose position flag is set: the fixes.
    std::vector<nlohmann::json> Fixes() const
    {
        std::vector<nlohmann::json> fixes;
        for (const nlohmann::json& record : Records())
        {
            if (record["type"] == "position" && record["flags"]["position"] == true)
            {
                fixes.push_back(record);
            }
        }
        return fixes;
    }
};

// A file in the temporary folder, removed with the object.
class CTempFile
{
public:
    explicit CTempFile(const std::string& strContent = "", const std::string& strSuffix = ".txt")
    {
        std::random_device random;
        m_Path = std::filesystem::temp_directory_path() /
                 ("fixora-test-" + std::to_string(random()) + std::to_string(random()) + strSuffix);
        std::ofstream(m_Path, std::ios::binary) << strContent;
    }
    ~CTempFile()
    {
        std::error_code error;
        std::filesystem::remove(m_Path, error);
    }
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    std::string Path() const { return m_Path.string(); }
    std::string Read() const
    {
        std::ifstream file(m_Path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_Path;
};

inline std::string ShellQuoted(const std::string& strArg)
{
    std::string strQuoted = "'";
    for (const char c : strArg)
    {
        strQuoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return strQuoted + "'";
}

inline SFixoraRun RunFixora(const std::vector<std::string>& args)
{
    const CTempFile err;
    std::string strCommand = ShellQuoted(FIXORA_BINARY);
    for (const std::string& strArg : args)
    {
        strCommand += " " + ShellQuoted(strArg);
    }
    strCommand += " 2>" + ShellQuoted(err.Path());
    SFixoraRun run;
    std::FILE* pPipe = popen(strCommand.c_str(), "r");
    if (pPipe == nullptr)
    {
        return run;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pPipe)) > 0;)
    {
        run.strOut.append(buffer, n);
    }
    const int nStatus = pclose(pPipe);
#ifdef WEXITSTATUS
    run.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
#else
    run.nExit = nStatus;
#endif
    run.strErr = err.Read();
    return run;
}

// A recorded receiver stream of tests/data/gpsd.
inline std::string RecordedStream(const std::string& strName)
{
    return std::string(FIXORA_TEST_DATA_DIR) + "/gpsd/" + strName;
}
