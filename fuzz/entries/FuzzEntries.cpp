// The entries by target name, and what the receiver entries share.
#include "FuzzEntries.h"
#include "MainWindow.h"

#include "port/Ack.h"
#include "support/ReceiverProbe.h"

#include <iterator>

namespace fuzz_entry
{

namespace
{

struct SEntry
{
    std::string_view name; // as in fuzz/targets.txt
    EntryFunction pfnEntry;
};
constexpr SEntry s_Entries[] = {
    {"stream", &Stream},        {"framer", &Framer},
    {"nmea", &NmeaSentences},   {"ashtech", &AshtechSentences},
    {"axis3", &Axis3Sentences}, {"oem", &OemSentences},
    {"tokenizer", &Tokenizer},  {"decimal", &Decimal},
    {"profile", &Profile},      {"status", &StatusTable},
};

} // namespace

EntryFunction FindEntry(std::string_view name)
{
    for (const SEntry& entry : s_Entries)
    {
        if (entry.name == name)
        {
            return entry.pfnEntry;
        }
    }
    return nullptr;
}

CMainWindowStandIn& MainWindow()
{
    static auto* s_pWindow = new CMainWindowStandIn;
    return *s_pWindow;
}

void PrepareReceiverRun()
{
    static const bool s_bNoPauses = SetSleepHook([](DWORD, void*) {}, nullptr);
    (void)s_bNoPauses;
    ResetSharedReceiverState();
    CAck::m_bGotAck = false;
}

} // namespace fuzz_entry
