// receiver-sim: a receiver of one command family on a pseudo-terminal. It prints the device to
// open, sends a fix a second, answers the library's commands as the tests' simulator does and
// shows each line it receives, until SIGINT or SIGTERM.
#include "support/ReceiverSimulator.h"
#include "support/Sentences.h"

#include <csignal>
#include <cstdio>
#include <cstring>

namespace
{

volatile std::sig_atomic_t s_bStop = 0;

extern "C" void OnStop(int)
{
    s_bStop = 1;
}

} // namespace

int main(int argc, char** argv)
{
    // SiRF chips answer nothing: their settings only change what they send.
    const struct
    {
        const char* pszName;
        const char* pszModel; // a model of the family, for the hint
        std::vector<CReceiverSimulator::SRule> answers;
    } families[] = {{"ashtech", "CSI", AshtechAnswers()},
                    {"axis3", "Sokkia Axis3", Axis3Answers()},
                    {"oem", "GSR2650 LB", OemAnswers()},
                    {"sirf", "SiRF", {}}};
    const auto* pFamily = std::begin(families);
    while (pFamily != std::end(families) && (argc != 2 || std::strcmp(argv[1], pFamily->pszName)))
    {
        ++pFamily;
    }
    CPtyPair pty;
    if (pFamily == std::end(families) || !pty.IsValid())
    {
        std::fputs("usage: receiver-sim ashtech|axis3|oem|sirf (on a pseudo-terminal)\n", stderr);
        return 2;
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
    const CReceiverSimulator receiver(pty, pFamily->answers);
    std::size_t nShown = 0;
    for (int nTick = 0; s_bStop == 0; ++nTick)
    {
        if (nTick % 10 == 0) // a fix a second, its time going on
        {
            receiver.Send(GgaSentence(nTick / 10 % 60));
        }
        ::usleep(100 * 1000);
        const std::vector<std::string> lines = receiver.Lines();
        for (; nShown < lines.size(); ++nShown)
        {
            std::string strLine = lines[nShown];
            for (char& c : strLine)
            {
                c = c >= ' ' && c <= '~' ? c : '.'; // binary bytes and the line end
            }
            std::printf("< %s%s\n", strLine.c_str(),
                        receiver.RuleFor(lines[nShown]) ? " (answered)" : "");
        }
        std::fflush(stdout);
    }
    return 0;
}
