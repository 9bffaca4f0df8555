// Runs a program to its end with both output streams on pipes, each read by a thread of its own
// so that a child that fills one pipe never blocks: posix_spawn and wait4 (for the peak memory)
// here, CreateProcessW and the process handle on Windows.
#include "FixoraRunner.h"

#include <algorithm>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#else
#include <cerrno>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace
{

// Appends what fnRead gives (a count of bytes, 0 or less at the end) to strSink until the end.
template <class Read> void Drain(Read fnRead, std::string& strSink)
{
    char buffer[65536];
    for (long long nGot; (nGot = fnRead(buffer, sizeof buffer)) > 0;)
    {
        strSink.append(buffer, static_cast<std::size_t>(nGot));
    }
}

#ifdef _WIN32
std::wstring Wide(const std::string& strText)
{
    std::wstring wide(strText.size(), L'\0');
    const int nLength =
        MultiByteToWideChar(CP_UTF8, 0, strText.data(), static_cast<int>(strText.size()),
                            wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(std::max(nLength, 0)));
    return wide;
}

// One argument quoted so that the C runtime's command-line split gives it back unchanged:
// backslashes are literal except in front of a quote.
std::wstring Quoted(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
    {
        return arg;
    }
    std::wstring quoted = L"\"";
    std::size_t nBackslashes = 0;
    for (const wchar_t c : arg)
    {
        if (c == L'\\')
        {
            ++nBackslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * nBackslashes + 1 : nBackslashes, L'\\');
        quoted.push_back(c);
        nBackslashes = 0;
    }
    return quoted.append(2 * nBackslashes, L'\\') + L"\"";
}

// Text-mode streams end their lines in CR LF here; the tests compare lines as on other systems.
void ToLineFeeds(std::string& strText)
{
    for (std::size_t i; (i = strText.find("\r\n")) != std::string::npos;)
    {
        strText.erase(i, 1);
    }
}
#endif

} // namespace

#ifdef _WIN32
SProcessResult RunProcess(const std::string& strProgram, const std::vector<std::string>& args)
{
    SProcessResult result;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE pipes[2][2] = {}; // read and write ends of standard output and error
    for (auto& pipe : pipes)
    {
        CreatePipe(&pipe[0], &pipe[1], &inherit, 0);
        SetHandleInformation(pipe[0], HANDLE_FLAG_INHERIT, 0); // only the child's ends
    }
    std::wstring commandLine = Quoted(Wide(strProgram));
    for (const std::string& strArg : args)
    {
        commandLine += L" " + Quoted(Wide(strArg));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = pipes[0][1];
    startup.hStdError = pipes[1][1];
    PROCESS_INFORMATION process{};
    const bool bStarted = pipes[0][1] != nullptr && pipes[1][1] != nullptr &&
                          CreateProcessW(Wide(strProgram).c_str(), commandLine.data(), nullptr,
                                         nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    std::thread readers[2];
    for (int i = 0; i < 2; ++i)
    {
        CloseHandle(pipes[i][1]);
        const auto read = [hRead = pipes[i][0]](char* p, DWORD n) {
            DWORD nGot = 0;
            return ReadFile(hRead, p, n, &nGot, nullptr) ? static_cast<long long>(nGot) : -1LL;
        };
        readers[i] =
            std::thread(Drain<decltype(read)>, read, std::ref(i ? result.strErr : result.strOut));
    }
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
    for (int i = 0; i < 2; ++i)
    {
        readers[i].join();
        CloseHandle(pipes[i][0]);
    }
    if (bStarted && GetExitCodeProcess(process.hProcess, &nExit))
    {
        result.nExit = static_cast<int>(nExit);
    }
    if (bStarted)
    {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
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
pid_t Spawn(const std::string& strProgram, const std::vector<std::string>& args, int nOut, int nErr,
            const std::vector<int>& aClose)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const auto& [fd, target] : {std::pair{nOut, STDOUT_FILENO}, {nErr, STDERR_FILENO}})
    {
        if (fd >= 0)
        {
            posix_spawn_file_actions_adddup2(&actions, fd, target);
        }
    }
    for (const int fd : aClose)
    {
        posix_spawn_file_actions_addclose(&actions, fd);
    }
    std::vector<std::string> all = {strProgram};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& strArg : all)
    {
        argv.push_back(strArg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, strProgram.c_str(), &actions, nullptr, argv.data(), environ) != 0)
    {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

SProcessResult RunProcess(const std::string& strProgram, const std::vector<std::string>& args)
{
    SProcessResult result;
    int pipes[2][2] = {{-1, -1}, {-1, -1}}; // read and write ends of standard output and error
    const pid_t pid = pipe(pipes[0]) == 0 && pipe(pipes[1]) == 0
                          ? Spawn(strProgram, args, pipes[0][1], pipes[1][1],
                                  {pipes[0][0], pipes[0][1], pipes[1][0], pipes[1][1]})
                          : -1;
    std::thread readers[2];
    for (int i = 0; i < 2; ++i)
    {
        close(pipes[i][1]);
        const auto read = [fd = pipes[i][0]](char* p, std::size_t n) {
            ssize_t nGot;
            while ((nGot = ::read(fd, p, n)) < 0 && errno == EINTR)
            {
            }
            return static_cast<long long>(nGot);
        };
        readers[i] =
            std::thread(Drain<decltype(read)>, read, std::ref(i ? result.strErr : result.strOut));
    }
    for (int i = 0; i < 2; ++i)
    {
        readers[i].join();
        close(pipes[i][0]);
    }
    int nStatus = 0;
    rusage usage{};
    while (pid > 0 && wait4(pid, &nStatus, 0, &usage) < 0 && errno == EINTR)
    {
    }
    result.nExit = pid > 0 && WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    result.nPeakMemoryBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024; // kilobytes
    return result;
}

std::string FixoraProgramPath()
{
    return FIXORA_BINARY;
}
#endif
