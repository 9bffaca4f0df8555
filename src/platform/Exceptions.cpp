#include "platform/Exceptions.h"

void AfxThrowInvalidArgException()
{
    throw CInvalidArgException();
}
