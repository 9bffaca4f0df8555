// The framework's exception for an invalid argument (for example a checked index out of range).
#pragma once

#include "FixoraExport.h"

#include <stdexcept>

class FIXORA_API CInvalidArgException : public std::invalid_argument
{
public:
    CInvalidArgException() : std::invalid_argument("invalid argument") {}
};

[[noreturn]] FIXORA_API void AfxThrowInvalidArgException();
