// Running a program with CreateProcessW, both output streams on pipes read by threads of their
// own, and the peak working set from the process handle.
#include "../ProcessRunner.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <filesystem>
#include <thread>

namespace
{

std::wstring Wide(const std::string& strText)
{
    std::wstring wide(strText.size(), L'\0');
    const int nLength =
        MultiByteToWideChar(CP_UTF8, 0, strText.data(), static_cast<int>(strText.size()),
                            wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(nLength > 0 ? nLength : 0));
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
    quoted.append(2 * nBackslashes, L'\\');
    return quoted + L"\"";
}

void Drain(HANDLE hRead, std::string& strSink)
{
    char buffer[65536];
    DWORD nGot = 0;
    while (ReadFile(hRead, buffer, sizeof buffer, &nGot, nullptr) && nGot > 0)
    {
        strSink.append(buffer, nGot);
    }
}

// Text-mode streams end their lines in CR LF here; the tests compare lines as on other systems.
void ToLineFeeds(std::string& strText)
{
    std::size_t nKept = 0;
    for (std::size_t i = 0; i < strText.size(); ++i)
    {
        if (strText[i] != '\r' || i + 1 == strText.size() || strText[i + 1] != '\n')
        {
            strText[nKept++] = strText[i];
        }
    }
    strText.resize(nKept);
}

} // namespace

SProcessResult RunProcess(const std::string& strProgram, const std::vector<std::string>& args)
{
    SProcessResult result;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE hOutRead = nullptr, hOutWrite = nullptr, hErrRead = nullptr, hErrWrite = nullptr;
    if (!CreatePipe(&hOutRead, &hOutWrite, &inherit, 0))
    {
        return result;
    }
    if (!CreatePipe(&hErrRead, &hErrWrite, &inherit, 0))
    {
        CloseHandle(hOutRead);
        CloseHandle(hOutWrite);
        return result;
    }
    // Only the child's ends are inherited.
    SetHandleInformation(hOutRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(hErrRead, HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine = Quoted(Wide(strProgram));
    for (const std::string& strArg : args)
    {
        commandLine += L" " + Quoted(Wide(strArg));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = hOutWrite;
    startup.hStdError = hErrWrite;
    PROCESS_INFORMATION process{};
    const std::wstring program = Wide(strProgram);
    const bool bStarted = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                                         TRUE, 0, nullptr, nullptr, &startup, &process) != 0;
    CloseHandle(hOutWrite);
    CloseHandle(hErrWrite);
    std::thread outReader(Drain, hOutRead, std::ref(result.strOut));
    std::thread errReader(Drain, hErrRead, std::ref(result.strErr));
    // Wine counts a process's memory only while it runs, so the peak is sampled until the end.
    const auto sampleMemory = [&] {
        PROCESS_MEMORY_COUNTERS memory{};
        if (K32GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
        {
            result.nPeakMemoryBytes =
                std::max<std::uint64_t>(result.nPeakMemoryBytes, memory.PeakWorkingSetSize);
        }
    };
    while (bStarted && WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT)
    {
        sampleMemory();
    }
    outReader.join();
    errReader.join();
    CloseHandle(hOutRead);
    CloseHandle(hErrRead);
    if (!bStarted)
    {
        return result;
    }
    sampleMemory();
    DWORD nExit = 0;
    if (GetExitCodeProcess(process.hProcess, &nExit))
    {
        result.nExit = static_cast<int>(nExit);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
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
