// CStreamPlayer: feeds a recorded file to the engine on the main thread, as fast as it can,
// pumping the main window between pieces so that records are printed (and freed) as they come.
#pragma once

#include "MainWindow.h"

#include "Fixora_Vorn.h"
#include "engine/ZIDOvoine.h"

#include <functional>
#include <string>

class CStreamPlayer
{
public:
    // Bytes handed to the engine at a time when replaying: what a serial read typically brings.
    static constexpr int ReplayChunkBytes = 1024;

    CStreamPlayer(CZIDOvoine& engine, CMainWindow& window);

    // The file's bytes as one raw stream, in pieces that never make the engine's framing buffer
    // overflow (unless the stream itself holds an unfinished message that long). False with
    // strError when the file cannot be read.
    bool Replay(const std::string& strPath, std::string& strError);

    // The file once through, line by line, each line framed as the emulation mode frames it: a
    // line beginning with "VKR PAUSE" shows the text after its first field in a message box and
    // is passed on without a line end; every other line gets CR LF. No pause between lines.
    bool PlayEmulationFile(const std::string& strPath, std::string& strError);

    // Asked after every piece: true ends the play early (a stop signal while serving).
    void SetStopCheck(std::function<bool()> isStopped) { m_IsStopped = std::move(isStopped); }

private:
    void Deliver(CBinBuffer& chunk);

    CZIDOvoine& m_Engine;
    CMainWindow& m_Window;
    std::function<bool()> m_IsStopped;
};
