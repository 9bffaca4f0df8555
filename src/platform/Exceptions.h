// The framework's exception for an invalid argument (for example a checked index out of range).
#pragma once

#include "FixoraExport.h"
#include "GeometryExport.h"

#include <stdexcept>

class GEOMETRY_API CInvalidArgException : public std::invalid_argument
{
public:
    CInvalidArgException() : std::invalid_argument("invalid argument") {}
};

[[noreturn]] GEOMETRY_API void AfxThrowInvalidArgException();
