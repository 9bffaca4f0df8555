// Replaying files through the engine's delivery step.
#include "StreamPlayer.h"

#include "Collection.h"
#include "InputFile.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace
{

struct SFileCloser
{
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};
using FilePtr = std::unique_ptr<std::FILE, SFileCloser>;

} // namespace

CStreamPlayer::CStreamPlayer(CZIDOvoine& engine, CMainWindow& window)
    : m_Engine(engine), m_Window(window)
{
}

void CStreamPlayer::Deliver(CBinBuffer& chunk)
{
    m_Engine.UpdateGPSBuffer(chunk);
    m_Window.Pump();
    EmptyCollectedText(m_Engine);
}

bool CStreamPlayer::Replay(const std::string& strPath, std::string& strError)
{
    const FilePtr pFile(OpenInputFile(strPath, strError));
    if (!pFile)
    {
        return false;
    }
    std::vector<char> block(64 * 1024);
    CBinBuffer chunk;
    while (!m_IsStopped || !m_IsStopped())
    {
        const std::size_t nRead = std::fread(block.data(), 1, block.size(), pFile.get());
        if (nRead == 0)
        {
            break;
        }
        for (std::size_t nDone = 0; nDone < nRead;)
        {
            // Leave room for what the buffer still holds of an unfinished message.
            const int nRoom = CZIDOvoine::MaxBufferedBytes - 1 - m_Engine.m_GPSBuffer.GetLength();
            const int nCount = static_cast<int>(std::min<std::size_t>(
                std::max(std::min(nRoom, ReplayChunkBytes), 1), nRead - nDone));
            chunk.Set(block.data() + nDone, nCount, 0);
            Deliver(chunk);
            nDone += static_cast<std::size_t>(nCount);
        }
    }
    if (std::ferror(pFile.get()) != 0)
    {
        strError = "error while reading '" + strPath + "'";
        return false;
    }
    return true;
}

bool CStreamPlayer::PlayEmulationFile(const std::string& strPath, std::string& strError)
{
    if (!IsReadableFile(strPath, strError))
    {
        return false;
    }
    // The engine's own line reader and line preparation, without the pause between lines.
    CTextFile file(false, false);
    if (!file.Open(CString(strPath.c_str()).GetString(), CTextFile::modeRead | CTextFile::typeText,
                   nullptr))
    {
        strError = "cannot read '" + strPath + "'";
        return false;
    }
    CString strLine;
    while ((!m_IsStopped || !m_IsStopped()) && file.ReadString(strLine))
    {
        if (PrepareEmulationLine(strLine))
        {
            CBinBuffer chunk(strLine);
            Deliver(chunk);
        }
    }
    if (file.HasReadError())
    {
        strError = "error while reading '" + strPath + "'";
        return false;
    }
    return true;
}
