// Byte images of the message kinds receivers send, for the framing tests. Binary bodies are
// filled with the bytes that would end or start a text message, so only the fixed length of a
// record can frame it correctly.
#pragma once

#include <cstdint>
#include <string>

namespace framing_test
{

inline std::string TrickyBytes(int nCount)
{
    static const char kAlphabet[] = {'\r',   '\n',   '$', '#', ',', '\0', 'A',    '\xAA',
                                     '\x44', '\x12', '*', 'B', 'I', 'N',  '\xFF', '7'};
    std::string bytes;
    for (int i = 0; i < nCount; ++i)
    {
        bytes.push_back(kAlphabet[(i * 7) % sizeof(kAlphabet)]);
    }
    return bytes;
}

// "$PASHR,<kind>," + body + carriage return, nLength bytes in all (the line feed not included).
inline std::string AshtechRecord(const std::string& strKind, int nLength,
                                 const std::string& strTag = "PASHR")
{
    std::string head = "$" + strTag + "," + strKind + ",";
    return head + TrickyBytes(nLength - static_cast<int>(head.size()) - 1) + "\r";
}

// "$BIN" + block (16-bit) + data length (16-bit) + data + checksum + CR LF: nData + 12 bytes.
inline std::string BinMessage(std::uint16_t nBlock, int nData)
{
    std::string bytes = "$BIN";
    bytes.push_back(static_cast<char>(nBlock & 0xFF));
    bytes.push_back(static_cast<char>(nBlock >> 8));
    bytes.push_back(static_cast<char>(nData & 0xFF));
    bytes.push_back(static_cast<char>(nData >> 8));
    bytes += TrickyBytes(nData + 2);
    return bytes + "\r\n";
}

// OEM binary message: sync, header length in byte 3, body length in bytes 8-9 (little-endian);
// nHeader + nBody + 4 bytes in all (the last four stand for the CRC).
inline std::string OemMessage(int nHeader, int nBody)
{
    std::string bytes = TrickyBytes(nHeader + nBody + 4);
    bytes[0] = '\xAA';
    bytes[1] = '\x44';
    bytes[2] = '\x12';
    bytes[3] = static_cast<char>(nHeader);
    bytes[8] = static_cast<char>(nBody & 0xFF);
    bytes[9] = static_cast<char>(nBody >> 8);
    return bytes;
}

} // namespace framing_test
