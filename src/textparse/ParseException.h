// The one exception of the text component: CParser throws it in throwing mode when a field does
// not convert, and every parser that switches throwing on catches it and rejects its message.
// It never leaves the library.
#pragma once

#include "GeometryExport.h"

#include <stdexcept>
#include <string>

class GEOMETRY_API CParseException : public std::runtime_error
{
public:
    // nField is the 1-based position of the field that failed to convert.
    CParseException(const std::string& what, int nField)
        : std::runtime_error(what), m_nField(nField)
    {
    }

    int GetField() const { return m_nField; }

private:
    int m_nField;
};
