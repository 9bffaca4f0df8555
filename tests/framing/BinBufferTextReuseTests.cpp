// Taking message texts out into one reused string, as the engine's delivery does.
#include "framing/BinBuffer.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

TEST(BinBufferTextReuse, ReusedStringGetsExactlyEachMessageText)
{
    // A long message, then a shorter one, a binary record with a zero byte (its text ends
    // there) and finally nothing: no tail of an earlier, longer text may survive in the string.
    const std::string stream = "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00*7A\r\n"
                               "$GPVTG,,T,,M*00\r\n"
                               "$PASHR,MCA," +
                               std::string(37, '\0') + "\r\n$GPGGA,1";
    CBinBuffer buffer(stream.data(), static_cast<int>(stream.size()));
    CString strReused(std::wstring(200, L'x').c_str());
    int nMessages = 0;
    for (bool bHas = buffer.GetCurrentMessage(); bHas; bHas = buffer.Next())
    {
        SCOPED_TRACE(nMessages);
        buffer.GetMessage(strReused);
        EXPECT_EQ(buffer.GetMessage().Str(), strReused.Str());
        ++nMessages;
    }
    EXPECT_EQ(3, nMessages);
    EXPECT_EQ(L"$PASHR,MCA,\n", strReused.Str());

    buffer.GetMessage(strReused); // no current message now
    EXPECT_TRUE(strReused.IsEmpty());
}

} // namespace
