// Runs the fixora program as a user would: its exit code, standard output and error and peak
// memory (RunProcess has one implementation per system, ProcessRunner.cpp), the files the tests
// feed it, and on Linux a run in the background that the test ends with a signal.
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

std::string FixoraProgramPath();

inline std::vector<std::string> Lines(const std::string& strText)
{
    std::vector<std::string> lines;
    std::istringstream stream(strText);
    for (std::string strLine; std::getline(stream, strLine);)
        lines.push_back(strLine);
    return lines;
}

// The standard-output lines parsed as JSON (a line that is not JSON fails the parse), of one type
// when given; "fix" takes the position records whose position flag is set.
inline std::vector<nlohmann::json> Records(const std::string& strOut,
                                           const std::string& strType = "")
{
    std::vector<nlohmann::json> records;
    for (const std::string& strLine : Lines(strOut))
    {
        nlohmann::json record = nlohmann::json::parse(strLine);
        if (strType.empty() || record["type"] == strType ||
            (strType == "fix" && record["type"] == "position" &&
             record["flags"]["position"] == true))
            records.push_back(std::move(record));
    }
    return records;
}

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

inline SProcessResult RunFixora(const std::vector<std::string>& args)
{
    return RunProcess(FixoraProgramPath(), args);
}

// A recorded receiver stream of tests/data/gpsd.
inline std::string RecordedStream(const std::string& strName)
{
    return std::string(FIXORA_TEST_DATA_DIR) + "/gpsd/" + strName;
}

#ifndef _WIN32
#include "support/Waiting.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Starts strProgram with args; nOut and nErr (-1: inherited) become its standard output and
// error. The process id, or -1.
pid_t Spawn(const std::string& strProgram, const std::vector<std::string>& args, int nOut,
            int nErr);

// A program (fixora unless named) running in the background, its standard output and error
// written to files.
class CBackgroundRun
{
public:
    explicit CBackgroundRun(const std::vector<std::string>& args,
                            const std::string& strProgram = FixoraProgramPath())
    {
        const int nOut = open(m_Out.Path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        const int nErr = open(m_Err.Path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        m_pid = Spawn(strProgram, args, nOut, nErr);
        close(nOut);
        close(nErr);
    }
    ~CBackgroundRun() { Stop(SIGTERM); }
    CBackgroundRun(const CBackgroundRun&) = delete;
    CBackgroundRun& operator=(const CBackgroundRun&) = delete;

    bool Started() const { return m_pid > 0; }
    std::string Out() const { return m_Out.Read(); }
    std::string Err() const { return m_Err.Read(); }
    // Until the text shows in the output (bErr: the error output), calling pfnEachTurn each
    // tenth of a second, for ten seconds at most.
    template <class F> bool WaitFor(const std::string& strText, F pfnEachTurn, bool bErr = false)
    {
        return WaitUntil(
            [&] {
                pfnEachTurn();
                std::this_thread::sleep_for(std::chrono::milliseconds(90));
                return (bErr ? Err() : Out()).find(strText) != std::string::npos;
            },
            10000);
    }
    // Waits for the program's end: its exit code (-1: not a normal exit), output and peak memory.
    SProcessResult Wait()
    {
        SProcessResult result;
        int nStatus = 0;
        rusage usage{};
        while (m_pid > 0 && wait4(m_pid, &nStatus, 0, &usage) < 0 && errno == EINTR)
        {
        }
        result.nExit = m_pid > 0 && WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
        m_pid = -1;
        result.nPeakMemoryBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024; // kilobytes
        result.strOut = Out();
        result.strErr = Err();
        return result;
    }
    // Signals the program and waits for its end: the exit code (-1: ended already, or not a
    // normal exit).
    int Stop(int nSignal) { return m_pid > 0 && kill(m_pid, nSignal) == 0 ? Wait().nExit : -1; }

private:
    CTempFile m_Out;
    CTempFile m_Err;
    pid_t m_pid = -1;
};
#endif
