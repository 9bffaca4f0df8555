// Pseudo-terminals on COM ports for tests: CComPortMapping maps a port number to a device path for
// a while, CPseudoTerminal is a pseudo-terminal pair mapped to a port for its whole life.
#pragma once

#include "PtyPair.h"
#include "platform/Comm.h"

#include <string>

class CComPortMapping
{
public:
    CComPortMapping(int nPort, const std::string& strPath) : m_nPort(nPort)
    {
        SetComPortDevice(nPort, strPath.c_str());
    }
    ~CComPortMapping() { SetComPortDevice(m_nPort, nullptr); }
    CComPortMapping(const CComPortMapping&) = delete;
    CComPortMapping& operator=(const CComPortMapping&) = delete;

    int Port() const { return m_nPort; }

private:
    int m_nPort;
};

// The pair is made first, so the mapping names its slave side.
class CPseudoTerminal : public CPtyPair, public CComPortMapping
{
public:
    explicit CPseudoTerminal(int nPort) : CComPortMapping(nPort, SlavePath()) {}
};
