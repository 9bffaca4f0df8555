// Starts a program to the end and hands back what a user would see of it: exit code, standard
// output and error, and how much memory it held at its peak. One implementation per system.
#pragma once

#include <cstdint>
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
// error, and every descriptor of aClose is closed in the child. The process id, or -1.
pid_t Spawn(const std::string& strProgram, const std::vector<std::string>& args, int nOut, int nErr,
            const std::vector<int>& aClose);
#endif
