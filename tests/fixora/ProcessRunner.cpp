// Runs a program to its end with its standard output and error written to files, read when it has
// ended (so a child never blocks on a full pipe): posix_spawn here, CreateProcessW on Windows.
#include "FixoraRunner.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#else
#include <spawn.h>

extern char** environ;
#endif

namespace
{

#ifdef _WIN32
std::wstring Wide(const std::string& strText)
{
    return std::filesystem::path(std::u8string(strText.begin(), strText.end())).wstring();
}

// One argument as the C runtime's command-line split gives it back: the tests' arguments hold no
// quote and end in no backslash, so quotes around one with a space are enough.
std::wstring Quoted(const std::wstring& arg)
{
    return arg.empty() || arg.find_first_of(L" \t") != std::wstring::npos ? L"\"" + arg + L"\""
                                                                          : arg;
}

// Text-mode streams end their lines in CR LF here; the tests compare lines as on other systems.
void ToLineFeeds(std::string& strText)
{
    for (std::size_t i; (i = strText.find("\r\n")) != std::string::npos;)
        strText.erase(i, 1);
}
#endif

} // namespace

#ifdef _WIN32
SProcessResult RunProcess(const std::string& strProgram, const std::vector<std::string>& args)
{
    SProcessResult result;
    const CScratchFolder folder;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE files[2] = {};
    for (int i = 0; i < 2; ++i)
    {
        files[i] =
            CreateFileW(folder.File(i ? "err" : "out").wstring().c_str(), GENERIC_WRITE,
                        FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    std::wstring commandLine = Quoted(Wide(strProgram));
    for (const std::string& strArg : args)
        commandLine += L" " + Quoted(Wide(strArg));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = files[0];
    startup.hStdError = files[1];
    PROCESS_INFORMATION process{};
    const bool bStarted = CreateProcessW(Wide(strProgram).c_str(), commandLine.data(), nullptr,
                                         nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    // Wine counts a process's memory only while it runs, so the peak is sampled until the end.
    DWORD nExit = 0;
    do
    {
        PROCESS_MEMORY_COUNTERS memory{};
        if (bStarted && K32GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
        {
            result.nPeakMemoryBytes =
                std::max<std::uint64_t>(result.nPeakMemoryBytes, memory.PeakWorkingSetSize);
        }
    } while (bStarted && WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT);
    if (bStarted)
    {
        result.nExit = GetExitCodeProcess(process.hProcess, &nExit) ? static_cast<int>(nExit) : -1;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(files[0]);
    CloseHandle(files[1]);
    result.strOut = CScratchFolder::Read(folder.File("out"));
    result.strErr = CScratchFolder::Read(folder.File("err"));
    ToLineFeeds(result.strOut);
    ToLineFeeds(result.strErr);
    return result;
}

// The program is built into the folder of the test programs; the build's own path for it is a
// path of the system that built it.
std::string FixoraProgramPath()
{
    wchar_t path[MAX_PATH];
    const DWORD nLength = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::filesystem::path self(std::wstring(path, nLength));
    return (self.parent_path() / std::filesystem::path(FIXORA_BINARY).filename()).string();
}
#else
pid_t Spawn(const std::string& strProgram, const std::vector<std::string>& args, int nOut, int nErr)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const auto& [fd, target] : {std::pair{nOut, STDOUT_FILENO}, {nErr, STDERR_FILENO}})
    {
        if (fd >= 0)
            posix_spawn_file_actions_adddup2(&actions, fd, target);
    }
    std::vector<char*> argv = {const_cast<char*>(strProgram.c_str())};
    for (const std::string& strArg : args)
        argv.push_back(const_cast<char*>(strArg.c_str())); // posix_spawn changes none
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, strProgram.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

SProcessResult RunProcess(const std::string& strProgram, const std::vector<std::string>& args)
{
    return CBackgroundRun(args, strProgram).Wait();
}

std::string FixoraProgramPath()
{
    return FIXORA_BINARY;
}
#endif
