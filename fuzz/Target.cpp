// A libFuzzer target: the entry of fuzz/entries named at build time (FIXORA_FUZZ_TARGET).
#include "entries/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    static const fuzz_entry::EntryFunction s_pfnEntry = fuzz_entry::FindEntry(FIXORA_FUZZ_TARGET);
    if (s_pfnEntry == nullptr)
    {
        std::abort(); // a row of targets.txt without its entry
    }
    s_pfnEntry(pData, nSize);
    return 0;
}
