// Starting a program without a shell, its standard output and error on given descriptors.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Starts strProgram with args; nOut and nErr (-1: inherited) become its standard output and
// error, and every descriptor of aClose is closed in the child. The process id, or -1.
pid_t Spawn(const std::string& strProgram, const std::vector<std::string>& args, int nOut, int nErr,
            const std::vector<int>& aClose);
