// The entries by target name, and what the receiver entries share.
#include "FuzzEntries.h"

#include "port/Ack.h"
#include "support/MainWindowStandIn.h"
#include "support/ReceiverProbe.h"

namespace fuzz_entry
{

EntryFunction FindEntry(std::string_view name)
{
    static const struct
    {
        std::string_view name;
        EntryFunction pfnEntry;
    } s_Entries[] = {
        {"stream", &Stream},           {"framer", &Framer},       {"nmea", NmeaSentences},
        {"ashtech", AshtechSentences}, {"axis3", Axis3Sentences}, {"oem", OemSentences},
        {"tokenizer", &Tokenizer},     {"decimal", &Decimal},     {"profile", &Profile},
        {"status", &StatusTable},
    };
    for (const auto& entry : s_Entries)
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
