// A receiver for tests, on the device side of a pseudo-terminal: it collects the command lines the
// library writes and answers each with the reply of the first rule whose command it starts with,
// as a receiver of that family would, in the bytes that reach the library's framing. Each test
// scripts the rules it needs; the family answer sets (tests/data/support/answers.txt) are the
// usual ones.
#pragma once

#include "PtyPair.h"

#include <chrono>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CReceiverSimulator
{
public:
    struct SRule
    {
        std::string strCommand; // a line that starts with this is answered...
        std::string strReply;   // ...with these bytes (nothing when empty)
        bool bVanish = false;   // then the device goes away: the port is hung up
    };

    explicit CReceiverSimulator(CPtyPair& pty, std::vector<SRule> rules = {})
        : m_pty(pty), m_rules(std::move(rules)),
          m_thread([this](std::stop_token stop) { Run(stop); })
    {
    }

    // Every whole line received so far, with its "\r\n"; a binary frame counts as a line.
    std::vector<std::string> Lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

    // Every byte received so far, lines and binary frames alike.
    std::string Bytes() const
    {
        std::lock_guard lock(m_mutex);
        return m_bytes;
    }

    // The rule that answers a line, or null.
    const SRule* RuleFor(const std::string& strLine) const
    {
        for (const SRule& rule : m_rules)
        {
            if (strLine.compare(0, rule.strCommand.size(), rule.strCommand) == 0)
            {
                return &rule;
            }
        }
        return nullptr;
    }

    // Sends bytes of its own accord, as a receiver's regular output.
    bool Send(const std::string& strBytes) const { return m_pty.Send(strBytes); }

private:
    void Run(const std::stop_token& stop)
    {
        std::string pending;
        while (!stop.stop_requested())
        {
            const std::string strBytes = m_pty.Receive(0, std::chrono::milliseconds(5));
            pending += strBytes;
            {
                std::lock_guard lock(m_mutex);
                m_bytes += strBytes;
            }
            for (std::size_t nSize; (nSize = WholeLine(pending)) != 0;)
            {
                const std::string strLine = pending.substr(0, nSize);
                pending.erase(0, nSize);
                Answer(strLine);
            }
        }
    }

    // The size of the line or binary frame that pending starts with, 0 until it is whole. A SiRF
    // frame: A0 A2, a big-endian payload length, the payload, two checksum bytes, B0 B3.
    static std::size_t WholeLine(const std::string& pending)
    {
        if (pending.size() >= 4 && pending.compare(0, 2, "\xA0\xA2") == 0)
        {
            const std::size_t nFrame = 8 + ((static_cast<unsigned char>(pending[2]) << 8) |
                                            static_cast<unsigned char>(pending[3]));
            return pending.size() >= nFrame ? nFrame : 0;
        }
        const std::size_t nEnd = pending.find("\r\n");
        return nEnd == std::string::npos ? 0 : nEnd + 2;
    }

    void Answer(const std::string& strLine)
    {
        // The answer goes out before the line counts as received: a test that saw the line
        // can expect its answer on the way.
        if (const SRule* pRule = RuleFor(strLine); pRule != nullptr)
        {
            m_pty.Send(pRule->strReply);
            if (pRule->bVanish)
            {
                m_pty.CloseMaster();
            }
        }
        std::lock_guard lock(m_mutex);
        m_lines.push_back(strLine);
    }

    CPtyPair& m_pty;
    const std::vector<SRule> m_rules;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::string m_bytes;
    std::jthread m_thread; // last: starts once everything above exists, stops and joins first
};

inline const char* const kAshtechAck = "$PASHR,ACK*3D\r\n";

// One family's answers of tests/data/support/answers.txt (its head explains the form).
inline std::vector<CReceiverSimulator::SRule> FamilyAnswers(const std::string& strFamily)
{
    std::ifstream file(FIXORA_TEST_DATA_DIR "/support/answers.txt", std::ios::binary);
    std::vector<CReceiverSimulator::SRule> rules;
    bool bFamily = false;
    for (std::string strLine; std::getline(file, strLine);)
    {
        const std::size_t nArrow = strLine.find(" => ");
        if (strLine.starts_with("== "))
            bFamily = strLine == "== " + strFamily;
        else if (!bFamily || strLine.starts_with("#") || nArrow == std::string::npos)
            continue;
        else if (!rules.empty() && rules.back().strCommand == strLine.substr(0, nArrow))
            rules.back().strReply += strLine.substr(nArrow + 4) + "\r\n";
        else
            rules.push_back({strLine.substr(0, nArrow), strLine.substr(nArrow + 4) + "\r\n"});
    }
    return rules;
}

inline std::vector<CReceiverSimulator::SRule> AshtechAnswers()
{
    return FamilyAnswers("ashtech");
}
inline std::vector<CReceiverSimulator::SRule> Axis3Answers()
{
    return FamilyAnswers("axis3");
}
inline std::vector<CReceiverSimulator::SRule> OemAnswers()
{
    return FamilyAnswers("oem");
}
