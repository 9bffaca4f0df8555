// A receiver for tests, on the device side of a pseudo-terminal: it collects the command lines the
// library writes and answers each with the reply of the first rule whose command it starts with,
// as a receiver of that family would, in the bytes that reach the library's framing. Each test
// scripts the rules it needs; the family answer sets below are the usual ones.
#pragma once

#include "PtyPair.h"

#include <chrono>
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

// ---- family answer sets: a listing's lines reach the library through a port that tags them (a
// start byte, the receiver's port tag, then the line); untagged, the framing would skip them.

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

// The OEM board: its ASCII logs (mask 10 degrees, differential source WAAS) and the
// acknowledgement the library waits for after a reset.
inline std::vector<CReceiverSimulator::SRule> OemAnswers()
{
    return {
        {"LOG COM2 ECUTOFFA", "#ECUTOFFA,COM2,0,60.5,FINESTEERING,1337,400000.000,00000000,c00c,"
                              "1984;10.0*624eb277\r\n"},
        {"LOG COM2 RTKSOURCEA", "#RTKSOURCEA,COM2,0,60.5,FINESTEERING,1337,400000.000,00000000,"
                                "c00c,1984;NONE,ANY*1907fd34\r\n"},
        {"LOG COM2 SBASCONTROLA", "#SBASCONTROLA,COM2,0,60.5,FINESTEERING,1337,400000.000,00000000,"
                                  "c00c,1984;ENABLE,AUTO,0,NONE*b67259ff\r\n"},
        {"LOG COM2 PSRDIFFSOURCEA", "#PSRDIFFSOURCEA,COM2,0,60.5,FINESTEERING,1337,400000.000,"
                                    "00000000,c00c,1984;NONE,ANY*779db823\r\n"},
        {"RESET", kAshtechAck},
    };
}
