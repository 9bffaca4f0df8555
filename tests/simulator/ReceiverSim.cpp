// receiver-sim: a receiver of one command family on a pseudo-terminal. It prints the device to
// open, sends a fix a second, answers the library's commands as the tests' simulator does and
// shows each line it receives (<) and each answer (>), until SIGINT or SIGTERM.
#include "support/ReceiverSimulator.h"
#include "support/Sentences.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace
{

struct SFamily
{
    const char* pszName;
    const char* pszModel; // a model of the family, for the hint
    std::vector<CReceiverSimulator::SRule> (*pfnAnswers)();
};

const SFamily s_Families[] = {
    {"ashtech", "CSI", &AshtechAnswers},
    {"axis3", "Sokkia Axis3", &Axis3Answers},
    {"oem", "GSR2650 LB", &OemAnswers},
    // SiRF chips answer nothing: their settings only change what they send.
    {"sirf", "SiRF", [] { return std::vector<CReceiverSimulator::SRule>{}; }},
};

volatile std::sig_atomic_t s_bStop = 0;

extern "C" void OnStop(int)
{
    s_bStop = 1;
}

// Each line shown once, without its line end; binary bytes in hex.
std::string Printable(const std::string& strBytes)
{
    std::string strOut;
    for (const char c : strBytes)
    {
        char szHex[8];
        std::snprintf(szHex, sizeof szHex, "<%02X>", static_cast<unsigned char>(c));
        strOut += c == '\r' || c == '\n' ? "" : (c >= ' ' && c <= '~' ? std::string(1, c) : szHex);
    }
    return strOut;
}

} // namespace

int main(int argc, char** argv)
{
    const auto family =
        std::find_if(std::begin(s_Families), std::end(s_Families), [&](const SFamily& f) {
            return argc == 2 && std::strcmp(argv[1], f.pszName) == 0;
        });
    if (family == std::end(s_Families))
    {
        std::fputs("usage: receiver-sim ashtech|axis3|oem|sirf\n", stderr);
        return 2;
    }
    const SFamily* pFamily = &*family;
    CPtyPair pty;
    if (!pty.IsValid())
    {
        std::perror("receiver-sim: no pseudo-terminal");
        return 1;
    }
    // Raw until the library opens the port: no echo of the fixes back to the simulator.
    if (const int nSlave = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY); nSlave >= 0)
    {
        termios settings{};
        ::tcgetattr(nSlave, &settings);
        ::cfmakeraw(&settings);
        ::tcsetattr(nSlave, TCSANOW, &settings);
        ::close(nSlave);
    }
    std::signal(SIGINT, OnStop);
    std::signal(SIGTERM, OnStop);
    std::printf("receiver-sim: %s receiver on %s (fixora --device %s --model '%s')\n",
                pFamily->pszName, pty.SlavePath().c_str(), pty.SlavePath().c_str(),
                pFamily->pszModel);
    std::fflush(stdout);

    const CReceiverSimulator receiver(pty, pFamily->pfnAnswers());
    std::size_t nShown = 0;
    for (int nTick = 0; s_bStop == 0; ++nTick)
    {
        // A fix a second, its time going on.
        if (nTick % 10 == 0)
        {
            const int nSecond = nTick / 10;
            char szBody[128];
            std::snprintf(szBody, sizeof szBody,
                          "GPGGA,1200%02d.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",
                          nSecond % 60);
            receiver.Send(NmeaSentence(szBody));
        }
        ::usleep(100 * 1000);
        const std::vector<std::string> lines = receiver.Lines();
        for (; nShown < lines.size(); ++nShown)
        {
            std::printf("< %s\n", Printable(lines[nShown]).c_str());
            if (const CReceiverSimulator::SRule* pRule = receiver.RuleFor(lines[nShown]))
            {
                const std::string& strReply = pRule->strReply;
                for (std::size_t nStart = 0, nEnd; nStart < strReply.size(); nStart = nEnd + 1)
                {
                    nEnd = std::min(strReply.find('\n', nStart), strReply.size());
                    std::printf("> %s\n",
                                Printable(strReply.substr(nStart, nEnd - nStart)).c_str());
                }
            }
        }
        std::fflush(stdout);
    }
    return 0;
}
