// Runs the fixora program as a user would and hands back its exit code, standard output and
// error and peak memory, with helpers for the files the tests feed it (sentences:
// support/Sentences.h). RunProcess has one implementation per system (ProcessRunner.cpp).
#pragma once

#include "support/ScratchFolder.h"
#include "support/Sentences.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

struct SProcessResult
{
    int nExit = -1; // -1: the program could not be started or did not exit normally
    std::string strOut;
    std::string strErr;
    std::uint64_t nPeakMemoryBytes = 0; // peak resident size (working set on Windows)
};

// Runs strProgram with args (each passed as one argument, no shell) and waits for it.
SProcessResult RunProcess(const std::string& strProgram, const std::vector<std::string>& args);

// Where the fixora program of this build is.
std::string FixoraProgramPath();

#ifndef _WIN32
#include <sys/types.h>
// Starts strProgram with args; nOut and nErr (-1: inherited) become its standard output and
// error. The process id, or -1.
pid_t Spawn(const std::string& strProgram, const std::vector<std::string>& args, int nOut,
            int nErr);
#endif

inline std::vector<std::string> Lines(const std::string& strText)
{
    std::vector<std::string> lines;
    std::istringstream stream(strText);
    for (std::string strLine; std::getline(stream, strLine);)
    {
        lines.push_back(strLine);
    }
    return lines;
}

struct SFixoraRun : SProcessResult
{
    // Every standard-output line parsed as JSON (a line that is not JSON fails the parse).
    std::vector<nlohmann::json> Records() const
    {
        std::vector<nlohmann::json> records;
        for (const std::string& strLine : Lines(strOut))
        {
            records.push_back(nlohmann::json::parse(strLine));
        }
        return records;
    }
    // The records of type "position" whose position flag is set: the fixes.
    std::vector<nlohmann::json> Fixes() const
    {
        std::vector<nlohmann::json> fixes = Records();
        std::erase_if(fixes, [](const nlohmann::json& record) {
            return record["type"] != "position" || record["flags"]["position"] != true;
        });
        return fixes;
    }
};

// A file in a temporary folder of its own, removed with the object.
class CTempFile
{
public:
    explicit CTempFile(const std::string& strContent = "", const std::string& strSuffix = ".txt")
        : m_Path(m_Folder.File(("file" + strSuffix).c_str()))
    {
        CScratchFolder::Write(m_Path, strContent);
    }

    std::string Path() const { return m_Path.string(); }
    std::string Read() const { return CScratchFolder::Read(m_Path); }

private:
    CScratchFolder m_Folder;
    std::filesystem::path m_Path;
};

inline SFixoraRun RunFixora(const std::vector<std::string>& args)
{
    SFixoraRun run;
    static_cast<SProcessResult&>(run) = RunProcess(FixoraProgramPath(), args);
    return run;
}

// A recorded receiver stream of tests/data/gpsd.
inline std::string RecordedStream(const std::string& strName)
{
    return std::string(FIXORA_TEST_DATA_DIR) + "/gpsd/" + strName;
}
