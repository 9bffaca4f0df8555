// How a byte stream is cut into messages, fed as the acquisition thread feeds it (append the
// chunk with +=, GetCurrentMessage, take every message out while HasMessage, Resize): every stream
// of tests/data/framing/streams.txt is framed at several chunk sizes and must give the same
// messages and leave the same tail; then the buffer's other exported operations (naming a message,
// the byte container), and streams recorded from real receivers (tests/data/gpsd, see the README
// there). Random bytes in random chunks are the framer fuzz target's
// (fuzz/entries/FramerEntry.cpp).
#include "framing/BinBuffer.h"
#include "support/Transcript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

using namespace std::string_literals;

namespace
{

// A message's text: one character per byte up to the first zero byte, then "\n".
std::wstring ExpectedText(const std::string& bytes)
{
    std::wstring text;
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i)
    {
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i])));
    }
    return text + L"\n";
}

// Every message's texts (GetMessage, GetMessageAsPtr, and GetMessage into one reused string, as
// the engine's delivery does) are checked against its bytes on the way.
class CEngineFeeder
{
public:
    void Feed(const char* pData, int nCount)
    {
        m_Buffer += CBinBuffer(pData, nCount);
        m_Buffer.GetCurrentMessage();
        for (bool bMore = m_Buffer.HasMessage(); bMore; bMore = m_Buffer.Next())
        {
            int nLen = -1;
            const char* pMessage = m_Buffer.GetMessageBin(nLen);
            ASSERT_TRUE(pMessage != nullptr && nLen > 0) << "HasMessage() without message bytes";
            m_Messages.emplace_back(pMessage, static_cast<std::size_t>(nLen));
            const std::wstring expected = ExpectedText(m_Messages.back());
            EXPECT_EQ(expected, m_Buffer.GetMessage().Str());
            EXPECT_EQ(expected, std::unique_ptr<CString>(m_Buffer.GetMessageAsPtr())->Str());
            m_Buffer.GetMessage(m_strReused);
            EXPECT_EQ(expected, m_strReused.Str()) << "no tail of a longer text may survive";
        }
        m_Buffer.GetMessage(m_strReused); // no current message now
        EXPECT_TRUE(m_strReused.IsEmpty());
        m_Buffer.Resize();
    }

    // The stream in chunks of nChunk bytes (0: all at once), or with a seed, of random size
    // 1..nChunk.
    void FeedStream(const std::string& stream, int nChunk, std::uint32_t nSeed = 0)
    {
        std::mt19937 random(nSeed);
        std::uniform_int_distribution<int> size(1, std::max(nChunk, 1));
        for (std::size_t i = 0; i < stream.size();)
        {
            const int nStep = nChunk <= 0 ? static_cast<int>(stream.size())
                                          : (nSeed != 0 ? size(random) : nChunk);
            const std::size_t n = std::min(static_cast<std::size_t>(nStep), stream.size() - i);
            Feed(stream.data() + i, static_cast<int>(n));
            i += n;
        }
    }

    const std::vector<std::string>& Messages() const { return m_Messages; }
    const CBinBuffer& Buffer() const { return m_Buffer; }

private:
    CBinBuffer m_Buffer;
    CString m_strReused{std::wstring(200, L'x').c_str()};
    std::vector<std::string> m_Messages;
};

std::vector<std::string> Frame(const std::string& stream, int nChunk = 0, std::uint32_t nSeed = 0)
{
    CEngineFeeder feeder;
    feeder.FeedStream(stream, nChunk, nSeed);
    return feeder.Messages();
}

// Binary bodies hold the bytes that would end or start a text message, so only the fixed length
// of a record can frame it correctly.
std::string TrickyBytes(int nCount)
{
    static const char kAlphabet[] = "\r\n$#,\0A\xAA\x44\x12*BIN\xFF"
                                    "7";
    std::string bytes;
    for (int i = 0; i < nCount; ++i)
    {
        bytes.push_back(kAlphabet[(i * 7) % 16]);
    }
    return bytes;
}

// "$PASHR,<kind>," + body + carriage return, nLength bytes in all (the line feed not included).
std::string AshtechRecord(const std::string& strKind, int nLength,
                          const std::string& strTag = "PASHR")
{
    std::string head = "$" + strTag + "," + strKind + ",";
    return head + TrickyBytes(nLength - static_cast<int>(head.size()) - 1) + "\r";
}

// "$BIN" + block (16-bit) + data length (16-bit) + data + checksum + CR LF: nData + 12 bytes.
std::string BinMessage(std::uint16_t nBlock, int nData)
{
    const char head[] = {static_cast<char>(nBlock & 0xFF), static_cast<char>(nBlock >> 8),
                         static_cast<char>(nData & 0xFF), static_cast<char>(nData >> 8)};
    return "$BIN" + std::string(head, 4) + TrickyBytes(nData + 2) + "\r\n";
}

// OEM binary message: sync, header length in byte 3, body length in bytes 8-9 (little-endian);
// nHeader + nBody + 4 bytes in all (the last four stand for the CRC).
std::string OemMessage(int nHeader, int nBody)
{
    std::string bytes = TrickyBytes(nHeader + nBody + 4);
    bytes.replace(0, 4, {'\xAA', '\x44', '\x12', static_cast<char>(nHeader)});
    bytes[8] = static_cast<char>(nBody & 0xFF);
    bytes[9] = static_cast<char>(nBody >> 8);
    return bytes;
}

static_assert(!std::is_copy_constructible_v<CBinBuffer> && !std::is_copy_assignable_v<CBinBuffer>);

const std::string kGga = "$GPGGA,1,2*00\r";
const std::string kVtg = "$GPVTG,3,4*00\r";

// A stream of the framing table, named by what it shows.
struct SStream
{
    const char* legend;
    std::string bytes;
};

std::vector<SStream> Streams()
{
    const std::string mbn = AshtechRecord("MBN", 54);
    const std::string oem = OemMessage(28, 100);
    const std::string bin95 = BinMessage(95, 128);
    const std::string oemShort = OemMessage(8, 0);
    const std::string gsv = "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00*7A\r";
    // clang-format off
    return {
        {"two sentences, each ending at its carriage return", kGga + "\n" + kVtg + "\n"},
        {"bytes before the first start byte are skipped", "\n\x01junk\r\n" + kGga + "\n"},
        {"a sync or start byte never found: everything is dropped", "no start\r\n\x01\x02\x44"},
        {"a sentence waits for its carriage return, garbage before it does not", "junk$GPGGA,12"},
        {"one comma: ends at its carriage return, before another sentence", "$PASHR,ACK*3D\r\n" + kVtg + "\n"},
        {"one comma: waits for its end, not a later comma", "$PASHR,ACK*3D"},
        {"one comma and the next sentence begun", "$PASHR,ACK*3D\r\n$GPGGA,1,2"},
        {"a record kind without its second comma names no record", "$PASHR,MBN\r\n" + kGga + "\n"},
        {"an ASCII log may end at its first comma", "#A,#B,1\r\n"},
        {"a comma-less sentence keeps its four-byte tag whatever follows", "$ABCDE\r\n" + mbn + "\n$PASHR,ACK*3D\r\n"},
        {"a comma-less sentence waits for its end", "$ABCDE"},
        {"a start byte with fewer than five bytes waits", "$AB\r"},
        {"the byte after a sentence is stepped over unseen, even when it comes with the next read",
         "$A,B,C\r$GPGGA,1,2*00\r\n#L,1,2\r$GPVTG,3,4*00\r\n"},
        {"a zero byte ends the text, not the message", "$GP\0GA,1,2\r\n"s},
        {"empty fields name nothing", "$,,1\r\n"},
        {"a long text, then a shorter one and a record of zero bytes",
         gsv + "\n" + kVtg + "\n$PASHR,MCA," + std::string(37, '\0') + "\r\n$GPGGA,1"},
        {"an MBN record is 54 bytes whatever it holds", "junk" + mbn + "\n" + kGga + "\n"},
        {"an MBN record exactly at the end of the bytes", "\r\n" + mbn},
        {"an MBN record one byte short is no message yet", mbn.substr(0, 53)},
        {"record kinds in any letter case, back to back", AshtechRecord("mca", 49) + "\n" +
         AshtechRecord("Pbn", 68) + "\n" + AshtechRecord("SAL", 82) + "\n" + AshtechRecord("snv", 144) + "\n"},
        {"only the second field names a record", AshtechRecord("SNV", 144, "GPXXX") + "\n"},
        {"$BIN block 95 is 140 bytes, the next sentence right after it", bin95 + kGga + "\n"},
        {"$BIN block 96 is 312 bytes, exactly at the end", BinMessage(96, 300)},
        {"$BIN of another block ends at its first carriage return", "$BIN\x61\x00xy\r\n"s + kGga + "\n"},
        {"$BIN block 95 not complete, commas later", "$BIN\x5F\x00,a,b"s},
        {"an OEM binary message carries its own length", "\r\n" + oem + kGga + "\n"},
        {"an OEM binary message exactly at the end of the bytes", "\r\n" + oem},
        {"an OEM binary message one byte short waits from its sync", "junk" + oem.substr(0, 131)},
        {"an OEM header one byte short", OemMessage(28, 0).substr(0, 28)},
        {"an OEM message shorter than 29 bytes waits for 29", oemShort + "$GPGGA,1"},
        {"an OEM message shorter than its header is taken once 29 bytes are there",
         oemShort + "$GPGGA,1,2,3,4,5,6*00\r\n"},
        {"an OEM message of exactly 29 bytes, at the end", OemMessage(25, 0)},
        {"a stray sync byte before an OEM message", "\xAA" + oem},
        {"a trailing 0xAA may start a sync and stays", "junk\xAA"},
        {"a trailing 0xAA 0x44 may start a sync and stays", "junk\xAA\x44"},
        {"0xAA 0x44 and another byte is no sync", "junk\xAA\x44\x13"},
        {"two ASCII logs; the search skips the line feed between them", "#LOGA,1,2\r\n#LOGB,3,4\r\n"},
        {"an ASCII log ends where the next one begins", "#LOGA,1,2#LOGB,3,4\r\n"},
        {"an ASCII log without end waits", "#LOGA,1,2"},
        {"an ASCII log may be a single byte", "##A,B,C\r\n"},
        // The walk reports success without a message and stays there.
        {"a sentence spelling out the OEM placeholder tag stops the walk",
         "$Axis4OEMBinaryTagPlaceHolder,1,2\r\n" + kGga + "\n"},
        {"every kind in one stream", kGga + "\n" + mbn + "\n" + oem + "#LOGA,1,2\r\n" + bin95 + kVtg + "\n"},
        {"no bytes", ""},
    };
    // clang-format on
}

// Bytes readable: printable as they are, the others escaped.
std::string Escaped(const std::string& bytes)
{
    std::string text = "\"";
    for (const char c : bytes)
        text += EscapedByte(c);
    return text + "\"";
}

// The messages a stream frames into, what the buffer keeps for the next chunk (its length and
// text), and the tag a buffer of the whole stream names (where nothing is assigned, the caller's
// texts stay).
std::string Framed(const std::string& stream, int nChunk)
{
    CEngineFeeder feeder;
    feeder.FeedStream(stream, nChunk);
    std::string text;
    for (const std::string& message : feeder.Messages())
        text +=
            "  message of " + std::to_string(message.size()) + " bytes " + Escaped(message) + "\n";
    text += "  held " + std::to_string(feeder.Buffer().GetLength()) + " bytes, text " +
            Escaped(feeder.Buffer().Mid(0, 0).ToNarrow()) + "\n";
    CBinBuffer buffer(stream.data(), static_cast<int>(stream.size()));
    CString strTag(L"old tag");
    CString strSubTag(L"old sub");
    const bool bFound = buffer.GetTag(strTag, strSubTag);
    return text + "  tag " + (bFound ? "found " : "none ") + Escaped(strTag.ToNarrow()) + " " +
           Escaped(strSubTag.ToNarrow()) + "\n";
}

// Every stream gives the same transcript at every chunk size; the whole-stream one is the
// checked-in tests/data/framing/streams.transcript (FIXORA_UPDATE_TRANSCRIPTS=1 rewrites it, see
// the README there).
TEST(BinBufferFraming, SameMessagesAtEveryChunkSizeAsInTheTranscript)
{
    std::string transcript;
    for (const SStream& row : Streams())
    {
        SCOPED_TRACE(row.legend);
        const std::string framed = Framed(row.bytes, 0);
        for (int nChunk : {1, 2, 3, 7})
            EXPECT_EQ(framed, Framed(row.bytes, nChunk)) << "chunk size " << nChunk;
        transcript += "== " + std::string(row.legend) + "\n" + framed;
    }
    CompareWithTranscript(transcript, "framing/streams.transcript");
}

// The bytes of a quoted argument of the operations file, its escapes undone.
std::string Unescaped(std::istream& in)
{
    std::string bytes;
    in >> std::ws;
    in.ignore(1); // the opening quote
    for (char c = 0; in.get(c) && c != '"'; bytes += c)
    {
        if (c != '\\' || !in.get(c))
            continue;
        if (c == 'x')
        {
            char hex[3] = {};
            in.read(hex, 2);
            c = static_cast<char>(std::stoi(hex, nullptr, 16));
        }
        else
            c = c == 'r' ? '\r' : c == 'n' ? '\n' : c == '0' ? '\0' : c;
    }
    return bytes;
}

// The buffer after an operation: its length and current message (bytes and text), or that it
// has none, with every way of taking it out agreeing and the caller's length left alone.
std::string Shown(const CBinBuffer& buffer)
{
    int nLen = -7;
    const char* p = buffer.GetMessageBin(nLen);
    const std::string text = buffer.GetMessage().ToNarrow();
    CString strReused(L"old text");
    buffer.GetMessage(strReused);
    EXPECT_EQ(text, strReused.ToNarrow());
    EXPECT_EQ(text, std::unique_ptr<CString>(buffer.GetMessageAsPtr())->ToNarrow());
    const std::string message = p == nullptr
                                    ? "no message (length left " + std::to_string(nLen) + ", "
                                    : "message " + Escaped(std::string(p, nLen)) + " (";
    return " | " + std::to_string(buffer.GetLength()) + " bytes, " + message + "text " +
           Escaped(text) + ")";
}

// Runs one line of the operations file on the buffer; what it returned, if anything.
std::string Apply(CBinBuffer& b, const std::string& strLine)
{
    std::istringstream in(strLine);
    std::string strOp, bytes;
    int n1 = 0, n2 = 0;
    in >> strOp;
    const auto size = [&bytes] { return static_cast<int>(bytes.size()); };
    const auto args = [&](bool bBytes) {
        bytes = bBytes ? Unescaped(in) : "";
        in >> n1 >> n2;
    };
    const auto flag = [](bool bResult) { return std::string(bResult ? " = true" : " = false"); };
    // clang-format off
    const std::map<std::string, std::function<std::string()>> ops = {
        {"new", [&] { return args(true), b.Set(bytes.data(), size(), 0), ""s; }},
        {"append", [&] { return args(true), b += CBinBuffer(bytes.data(), size()), ""s; }},
        {"set", [&] { return args(true), flag(b.Set(bytes.data(), n1, n2)); }},
        {"set-null", [&] { return args(false), flag(b.Set(nullptr, n1, n2)); }},
        {"keep", [&] { const char* p = b.GetMessageBin(n1); return flag(b.Set(p, n1, n1)); }},
        {"find", [&] { return args(true), " = " + std::to_string(b.Find(bytes.at(0), n1)); }},
        {"mid", [&] {
            args(false);
            const std::string text = b.Mid(n1, n2).ToNarrow();
            EXPECT_EQ(text, std::unique_ptr<CString>(b.Mid2(n1, n2))->ToNarrow()) << strLine;
            return " = " + Escaped(text); }},
        {"current", [&] { return flag(b.GetCurrentMessage()); }},
        {"next", [&] { return flag(b.Next()); }},
        {"first", [&] { return flag(b.First()); }},
        {"has", [&] { return flag(b.HasMessage()); }},
        {"resize", [&] { return b.Resize(), ""s; }},
        {"clear", [&] { return b.Clear(), ""s; }}};
    // clang-format on
    return ops.at(strOp)();
}

// The operations of tests/data/framing/buffer-operations.txt, each with the buffer after it, are
// tests/data/framing/buffer.transcript.
TEST(BinBufferContent, OperationsMatchTheTranscript)
{
    std::ifstream in(std::string(FIXORA_TEST_DATA_DIR) + "/framing/buffer-operations.txt");
    std::string transcript;
    CBinBuffer buffer;
    for (std::string strLine; std::getline(in, strLine);)
    {
        if (strLine.rfind("==", 0) == 0)
            transcript += strLine + "\n";
        else if (!strLine.empty() && strLine[0] != '#')
        {
            transcript += strLine + Apply(buffer, strLine); // before the buffer is shown
            transcript += Shown(buffer) + "\n";
        }
    }
    CompareWithTranscript(transcript, "framing/buffer.transcript");
}

// What the operations file cannot spell: wide texts, and a buffer appended to itself.
TEST(BinBufferContent, WideTextsAndSelfAppend)
{
    CString wide(L"$G\x1234\x00FF");
    EXPECT_EQ(L"$G\x34\xFF\n", CBinBuffer(wide).Mid(0, 0).Str()) << "the low byte of each";
    CString empty;
    EXPECT_EQ(0, CBinBuffer(empty).GetLength());
    CBinBuffer more("TG,3,4*00\r\n", 11);
    CBinBuffer buffer;
    buffer += more;
    EXPECT_EQ(L"TG,3,4*00\r\n\n", more.Mid(0, 0).Str()) << "the source is left as it was";
    EXPECT_THROW(more += more, CInvalidArgException);
    EXPECT_EQ(11, more.GetLength());
}

const std::filesystem::path kStreamDir = std::filesystem::path(FIXORA_TEST_DATA_DIR) / "gpsd";

std::string ReadStream(const std::filesystem::path& file)
{
    std::ifstream in(kStreamDir / file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every recording frames to the same messages whole and in random chunks. Where every line ends
// in CR LF, each line that begins with a start byte is one message. Without any carriage return
// no sentence is complete: only the "#" comment lines come out, each ended by the next one.
// tests/data/framing/recorded.transcript has each recording's count and rule, and the first
// message of a few that begins as named.
TEST(RecordedStreams, SameMessagesWholeAndInRandomChunksAsInTheTranscript)
{
    const std::map<std::string, std::string> known = {
        {"GPSmap-76S.log", "$"},           // an RMB that runs into the comment before it
        {"ch-4701.log", "$"},              // likewise an RMC
        {"ac12_binary.log", "$PASHR,POS"}, // a text reply between binary records
        {"ublox8-uniqid-monhw.log", "$GNTXT,01,01,01,PMTK"}, // right after a u-blox binary frame
    };
    std::set<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(kStreamDir))
        if (entry.path().extension() == ".log")
            files.insert(entry.path().filename());
    std::string transcript;
    for (const std::filesystem::path& file : files)
    {
        SCOPED_TRACE(file.string());
        const std::string stream = ReadStream(file);
        const std::vector<std::string> whole = Frame(stream);
        EXPECT_EQ(whole, Frame(stream, 4096, 1));
        EXPECT_EQ(whole, Frame(stream, 16, 6));
        transcript += file.string() + ": " + std::to_string(whole.size()) + " messages";

        std::vector<std::string> lines; // without their line feeds
        for (std::size_t nStart = 0, nEnd; (nEnd = stream.find('\n', nStart)) != std::string::npos;
             nStart = nEnd + 1)
        {
            lines.push_back(stream.substr(nStart, nEnd - nStart));
        }
        if (std::all_of(lines.begin(), lines.end(), [](const std::string& line) {
                return !line.empty() && line.back() == '\r';
            }))
        {
            std::vector<std::string> expected;
            std::copy_if(lines.begin(), lines.end(), std::back_inserter(expected),
                         [](const std::string& line) { return line[0] == '$' || line[0] == '#'; });
            EXPECT_EQ(expected, whole);
            transcript += ", every CR LF line one message";
        }
        if (stream.find('\r') == std::string::npos)
        {
            EXPECT_TRUE(std::all_of(whole.begin(), whole.end(),
                                    [](const std::string& m) { return m[0] == '#'; }));
            transcript += ", no CR: comments only";
        }
        if (const auto prefix = known.find(file.string()); prefix != known.end())
        {
            const auto hit = std::find_if(whole.begin(), whole.end(), [&](const std::string& m) {
                return m.starts_with(prefix->second);
            });
            transcript += "\n  first " + prefix->second + " message " +
                          (hit != whole.end() ? Escaped(*hit) : "none");
        }
        transcript += "\n";
    }
    CompareWithTranscript(transcript, "framing/recorded.transcript");
}

} // namespace
