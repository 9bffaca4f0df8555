// fixora: the command-line host of the Fixora_Vorn library. It creates the engine, makes and
// registers the receiver model it runs, feeds it from a serial device, an emulation file or a
// recorded stream, sends it the commands asked for, and prints every record that reaches its main
// window.
#include "CountingWindow.h"
#include "EngineRun.h"
#include "GpsdService.h"
#include "InputFile.h"
#include "ModelRegistry.h"
#include "Options.h"
#include "RinexLog.h"
#include "StreamPlayer.h"

#include "Fixora_Vorn.h"
#include "engine/ZIDOvoine.h"

#include <cstdio>
#include <ctime>
#include <exception>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <memory>
#include <string_view>
#include <string>

namespace
{

// The COM port number that --device maps a device path to.
constexpr int s_nMappedPort = 1;

// The port number of a COM port name in any case ("COM3", "com3:", "\\.\COM12"), or 0 for any
// other text. The library forms the device name from the number itself.
int ComPortNumber(std::string_view device)
{
    if (device.starts_with("\\\\.\\"))
    {
        device.remove_prefix(4);
    }
    if (device.ends_with(':'))
    {
        device.remove_suffix(1);
    }
    if (device.size() < 4 || std::toupper(static_cast<unsigned char>(device[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(device[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(device[2])) != 'M')
    {
        return 0;
    }
    int nPort = 0;
    const char* pEnd = device.data() + device.size();
    const auto [pStop, error] = std::from_chars(device.data() + 3, pEnd, nPort);
    return error == std::errc() && pStop == pEnd && nPort > 0 ? nPort : 0;
}

// The port the receiver opens: a COM port name as it stands, any other device path mapped to
// s_nMappedPort. False where the system has no such mapping (Windows names its ports itself).
bool ChooseLivePort(const std::string& strDevice, int& nPort, std::string& strError)
{
    nPort = ComPortNumber(strDevice);
    if (nPort > 0)
    {
        return true;
    }
    nPort = s_nMappedPort;
    if (!SetComPortDevice(s_nMappedPort, strDevice.c_str()))
    {
        strError = "cannot use '" + strDevice + "' as a serial device: this system takes a COM " +
                   "port name such as COM3";
        return false;
    }
    return true;
}

enum EExitCode
{
    ExitSuccess = 0,
    ExitFailure = 1, // the receiver cannot be started, a file cannot be read or written
    ExitUsage = 2
};

int Fail(const std::string& strError)
{
    std::fprintf(stderr, "fixora: %s\n", strError.c_str());
    return ExitFailure;
}

// Message boxes of the library (emulation pauses, files it cannot open) become lines on stderr,
// answered with OK at once.
void InstallMessageBoxHandler()
{
    SetMessageBoxHandler([](const CString& strText, UINT) {
        std::fprintf(stderr, "fixora: %s\n", ToSystemPath(strText.GetString()).c_str());
        return IDOK;
    });
}

// Checks the files named on the command line before anything starts.
bool CheckFiles(const SOptions& options, std::string& strError)
{
    if (options.eInput != EInput::Live && !IsReadableFile(options.strInputPath, strError))
    {
        return false;
    }
    std::error_code error;
    // The emulation mode ends its run at once on an empty file, and would then wait for nothing.
    if (options.eInput == EInput::Emulation &&
        std::filesystem::file_size(options.strInputPath, error) == 0 && !error)
    {
        strError = "the emulation file '" + options.strInputPath + "' is empty";
        return false;
    }
    if (!options.strProfile.empty() && std::filesystem::is_directory(options.strProfile, error))
    {
        strError = "cannot use the profile '" + options.strProfile + "': it is a folder";
        return false;
    }
    if (!options.strLogRaw.empty())
    {
        // Opening for appending leaves an existing log as it is until the engine truncates it.
        std::FILE* pLog = std::fopen(options.strLogRaw.c_str(), "ab");
        if (pLog == nullptr)
        {
            strError = "cannot write the raw log '" + options.strLogRaw + "'";
            return false;
        }
        std::fclose(pLog);
    }
    return true;
}

// Applies the receiver options to the selected receiver and the engine.
void SetUpReceiver(const SOptions& options, int nPort, CZIDOvoine& engine, CDOZOzoeiver& receiver)
{
    receiver.SetupReceiver(nPort, options.nHeightMode.value_or(0),
                           options.dAntennaHeight.value_or(0.0), CString(), false);
    engine.SetReceiver(&receiver);
    if (options.nMinSats)
    {
        engine.SetMinSatRequierment(*options.nMinSats);
    }
    // Stored baud rates are loaded now, so that --baud can override the selected one.
    engine.InitReceivers(-1);
    if (options.nBaud)
    {
        receiver.SetProperties(*options.nBaud);
    }
    // Every message's bytes go to the binary decoders, whatever the model.
    engine.m_bAttachRawData = true;
    // A live run counts the intact sentences among the texts, printed or not.
    if (options.bCollect || options.eInput == EInput::Live)
    {
        engine.m_ComBuffer.m_bStopped = false;
    }
    if (options.eInput == EInput::Live)
    {
        if (!options.strLogRaw.empty())
        {
            engine.m_strRawLogFile = CString(options.strLogRaw.c_str());
            engine.m_bLogRawData = true;
        }
    }
    if (options.eInput == EInput::Emulation)
    {
        engine.m_bEmulation = true;
        engine.m_strEmulationFile = CString(options.strInputPath.c_str());
    }
}

// Completes the data log's files and says on stderr what they hold.
bool CloseDataLog(CRinexLog& log, std::string& strError)
{
    log.Close();
    if (log.HasFailed())
    {
        strError = "the data log failed: " + ToSystemPath(log.GetErrorText().GetString());
        return false;
    }
    std::fprintf(
        stderr, "fixora: data log: %d epochs in %s, %d ephemerides in %s\n", log.GetNumEpochs(),
        log.GetNumEpochs() > 0 ? log.ObservationPath().c_str() : "no file", log.GetNumEphemerides(),
        log.GetNumEphemerides() > 0 ? log.NavigationPath().c_str() : "no file");
    return true;
}

int RunFixora(int argc, char** argv)
{
    InstallMessageBoxHandler();
    SOptions options;
    std::string strError;
    if (!ParseOptions(argc, argv, options, strError))
    {
        std::fprintf(stderr, "fixora: %s\nTry 'fixora --help'.\n", strError.c_str());
        return ExitUsage;
    }
    if (options.bHelp)
    {
        std::fputs(UsageText(), stdout);
        return ExitSuccess;
    }
    if (options.bListModels)
    {
        PrintModelList(options.bJson, stdout);
        return std::fflush(stdout) == 0 ? ExitSuccess : Fail("cannot write the output");
    }
    if (options.eInput == EInput::Sample)
    {
        options.eInput = EInput::Replay;
        options.strInputPath = FIXORA_SAMPLE_STREAM;
    }
    if (!CheckFiles(options, strError))
    {
        return Fail(strError);
    }
    if (!options.strProfile.empty())
    {
        AfxGetApp()->SetProfilePath(CString(options.strProfile.c_str()));
    }

    int nPort = s_nMappedPort;
    if (options.eInput == EInput::Live && !ChooseLivePort(options.strInputPath, nPort, strError))
    {
        return Fail(strError);
    }

    CZIDOvoine engine;
    CDOZOzoeiver* pReceiver = RegisterModel(engine, options.strModel);
    SetUpReceiver(options, nPort, engine, *pReceiver);

    const bool bEnginePaced = options.eInput == EInput::Live || options.eInput == EInput::Emulation;
    CMainWindow::SSettings settings;
    settings.bJson = options.bJson;
    settings.bNoClock = options.bNoClock;
    settings.bFlushEachLine = bEnginePaced;
    // Live runs always collect the texts, to count the intact ones; they are printed on request.
    settings.bPrintTexts = options.bCollect;
    std::unique_ptr<CRinexLog> pDataLog;
    if (!options.strDataLog.empty())
    {
        pDataLog = std::make_unique<CRinexLog>(ToSystemPath(pReceiver->GetName().GetString()));
        pDataLog->SetDefaultFilename(CString(options.strDataLog.c_str()));
        pDataLog->SetLogInterval(options.dDataLogInterval);
        pDataLog->SetAntennaHeight(options.dAntennaHeight.value_or(0.0));
        pDataLog->Enable(true);
        if (!pDataLog->IsReady() || !pDataLog->Open())
        {
            return Fail("cannot start the data log: " +
                        ToSystemPath(pDataLog->GetErrorText().GetString()));
        }
    }
    std::unique_ptr<CGpsdService> pService;
    if (options.bServe)
    {
        SGpsdDevice device{options.strInputPath, options.strModel, std::time(nullptr)};
        pService = std::make_unique<CGpsdService>(device, options.eInput == EInput::Replay &&
                                                              !options.bServeFast);
        if (!pService->Start(options.strServeHost, options.nServePort, strError))
        {
            return Fail(strError);
        }
        pService->SetDuration(options.dDurationSeconds);
        settings.bPrint = false;
        settings.pListener = pService.get();
        engine.m_ComBuffer.m_bStopped = false; // the sentences of NMEA watchers
    }
    CCountingWindow window(settings, pReceiver, pDataLog.get(), stdout);

    bool bDone = false;
    if (bEnginePaced)
    {
        const SLiveRecovery live = {options.strInputPath, nPort, options.bBaudAuto,
                                    options.bReconnect, options.strLogRaw};
        CEngineRun run(engine, window, options.eInput == EInput::Live ? &live : nullptr);
        bDone = run.Run(options.dDurationSeconds, *pReceiver, options.commands, strError);
        if (!bDone && options.eInput == EInput::Live && !run.FailedWhileRunning())
        {
            strError = "cannot start the receiver '" + options.strModel + "' on " +
                       options.strInputPath + ": " + strError;
        }
    }
    else
    {
        CStreamPlayer player(engine, window);
        if (pService)
        {
            player.SetStopCheck([&] { return pService->IsOver(); });
        }
        bDone = options.eInput == EInput::Replay
                    ? player.Replay(options.strInputPath, strError)
                    : player.PlayEmulationFile(options.strInputPath, strError);
    }
    window.Pump();
    if (pService && !bEnginePaced)
    {
        pService->ServeToEnd();
    }
    if (pDataLog && !CloseDataLog(*pDataLog, strError))
    {
        return Fail(strError);
    }
    if (engine.m_nBufferOverflows > 0)
    {
        std::fprintf(stderr, "fixora: %d framing buffer overflow(s): bytes were dropped\n",
                     engine.m_nBufferOverflows.load());
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0)
    {
        return Fail("cannot write the output");
    }
    return bDone ? ExitSuccess : Fail(strError);
}

} // namespace

int main(int argc, char** argv)
{
    try
    {
        return RunFixora(argc, argv);
    }
    catch (const std::exception& e)
    {
        return Fail(e.what());
    }
}
