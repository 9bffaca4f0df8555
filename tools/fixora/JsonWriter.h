// CJsonWriter: writes compact JSON straight into a text buffer, value by value, with no document
// tree. Every value comes out byte for byte as nlohmann::json's dump() prints it, so a line reads
// the same whichever of the two made it.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

class CJsonWriter
{
public:
    // Appends to strOut, which the caller owns (and may reuse for the next document).
    explicit CJsonWriter(std::string& strOut) : m_strOut(strOut) {}

    CJsonWriter& BeginObject();
    CJsonWriter& EndObject();
    CJsonWriter& BeginArray();
    CJsonWriter& EndArray();
    // The name of the object's next member.
    CJsonWriter& Key(std::string_view svName);

    // A value of the JSON type nlohmann::json gives the C++ type: bool a boolean, any other
    // integer a number, floating point a number (NaN and infinities as null), text a string.
    template <class T> CJsonWriter& Value(const T& value)
    {
        if constexpr (std::same_as<T, bool>)
        {
            WriteBool(value);
        }
        else if constexpr (std::signed_integral<T>)
        {
            WriteInteger(static_cast<std::int64_t>(value));
        }
        else if constexpr (std::unsigned_integral<T>)
        {
            WriteUnsigned(static_cast<std::uint64_t>(value));
        }
        else if constexpr (std::floating_point<T>)
        {
            WriteDouble(static_cast<double>(value));
        }
        else
        {
            static_assert(std::convertible_to<const T&, std::string_view>,
                          "a bool, number or UTF-8 text");
            String(std::string_view(value));
        }
        return *this;
    }

    // Key and value.
    template <class T> CJsonWriter& Member(std::string_view svName, const T& value)
    {
        return Key(svName).Value(value);
    }

    // A string of UTF-8 text: the escapes nlohmann::json writes (\" \\ \b \f \n \r \t, other
    // control characters as \u00xx); every other byte is copied as it is, so the text must be
    // valid UTF-8.
    CJsonWriter& String(std::string_view svUtf8);

private:
    void WriteBool(bool b);
    void WriteInteger(std::int64_t n);
    void WriteUnsigned(std::uint64_t n);
    void WriteDouble(double d);
    // The comma before a value or key that follows another in the same object or array.
    void Separate();

    std::string& m_strOut;
    bool m_bAfterValue = false;
};
