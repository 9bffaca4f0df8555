// A receiver for tests, on the device side of a pseudo-terminal: it collects the command lines the
// library writes and answers each with the reply of the first rule whose command it starts with,
// as a receiver of that family would, in the bytes that reach the library's framing. Each test
// scripts the rules it needs; the family answer sets below are the usual ones.
#pragma once

#include "PtyPair.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
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
    };

    explicit CReceiverSimulator(const CPtyPair& pty, std::vector<SRule> rules = {})
        : m_pty(pty), m_rules(std::move(rules)), m_thread([this] { Run(); })
    {
    }
    ~CReceiverSimulator()
    {
        m_bStop = true;
        m_thread.join();
    }
    CReceiverSimulator(const CReceiverSimulator&) = delete;
    CReceiverSimulator& operator=(const CReceiverSimulator&) = delete;

    // Every whole line received so far, with its "\r\n".
    std::vector<std::string> Lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

    // Waits until at least nCount lines have come; false when they did not within the time.
    bool WaitForLines(std::size_t nCount,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) const
    {
        std::unique_lock lock(m_mutex);
        return m_arrived.wait_for(lock, limit, [&] { return m_lines.size() >= nCount; });
    }

    // Sends bytes of its own accord, as a receiver's regular output.
    bool Send(const std::string& strBytes) const { return m_pty.Send(strBytes); }

private:
    void Run()
    {
        std::string pending;
        while (!m_bStop)
        {
            pending += m_pty.Receive(0, std::chrono::milliseconds(5));
            for (std::size_t nEnd; (nEnd = pending.find("\r\n")) != std::string::npos;)
            {
                const std::string strLine = pending.substr(0, nEnd + 2);
                pending.erase(0, nEnd + 2);
                Answer(strLine);
            }
        }
    }

    void Answer(const std::string& strLine)
    {
        // The answer goes out before the line counts as received: a test that saw the line
        // can expect its answer on the way.
        for (const SRule& rule : m_rules)
        {
            if (strLine.compare(0, rule.strCommand.size(), rule.strCommand) == 0)
            {
                if (!rule.strReply.empty())
                {
                    m_pty.Send(rule.strReply);
                }
                break;
            }
        }
        {
            std::lock_guard lock(m_mutex);
            m_lines.push_back(strLine);
        }
        m_arrived.notify_all();
    }

    const CPtyPair& m_pty;
    const std::vector<SRule> m_rules;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::vector<std::string> m_lines;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread; // last: starts once everything above exists
};

// ---- family answer sets
// --------------------------------------------------------------------------- A listing's lines
// reach the library through a port that tags them: a start byte, the receiver's port tag, then the
// line. Untagged, the framing would skip them as bytes before a start byte.

inline const char* const kAshtechAck = "$PASHR,ACK*3D\r\n";

// Ashtech family (CSI): every setting acknowledged; the parameter listing; the beacon's status.
inline std::vector<CReceiverSimulator::SRule> AshtechAnswers()
{
    return {
        {"$PASHS,", kAshtechAck},
        {"$PASHQ,PAR", "$[COM1]PMD:0 FIX:0 ALT:+00000.00 PDP:40 HDP:04 VDP:04\r\n"
                       "$[COM1]PEM:10 ION:N SAV:Y\r\n"
                       "$[COM1]PER:001.00\r\n"
                       "$[COM1]PRTA: 9600 N81 ALM OFF DAL ON ON GRS MSG ON ON GXP RRE CRT OFF\r\n"},
        {"$GPCRQ,MSS", "$CRMSS,55,27,318.0,100*4C\r\n"},
        {"$GPCRQ,MSK", "$CRMSK,318.0,A,100,A,0*4D\r\n"},
    };
}

// Axis3 family: the status listing answers every query; settings are taken silently.
inline std::vector<CReceiverSimulator::SRule> Axis3Answers()
{
    return {
        {"$JSHOW", "$>JSHOW,ASC,GPGGA,1.0,PORTA\r\n"
                   "$>JSHOW,MASK,10\r\n"
                   "$>JSHOW,DIFF,BEACON\r\n"
                   "$>JSHOW,FREQ,1557.845,1200\r\n"},
        {"$JI", "$>JI,311062,1,5,09071998,01/06/1998,12/31/2018,3.5,31\r\n"},
        {"$GPCRQ,MSS", "$GPMSS,55,27,318.0,100*4A\r\n"},
        {"$GPCRQ,MSK", "$GPMSK,318.0,A,100,A,0*4B\r\n"},
    };
}
