// The engine keeps a copy of the message texts it posts and stops collecting (and posting) once
// that copy has grown past 100000 characters. fixora prints each text as it arrives and needs no
// copy, so it empties the copy after every pump: the texts keep coming however long the run.
#pragma once

#include "engine/ZIDOvoine.h"

inline void EmptyCollectedText(CZIDOvoine& engine)
{
    CComBuffer& collection = engine.m_ComBuffer;
    const bool bOverflow = collection.m_bOverflow;
    if (collection.m_bStopped && !bOverflow)
    {
        return; // collection is off
    }
    collection.Reset();
    if (bOverflow)
    {
        collection.m_bStopped = false; // a burst overflowed the copy before a pump: go on
    }
}
