// Inside the library only: what every model class implements the same way, its run-time class
// record (based on CObject, so a kind-of test sees only the class itself and CObject) and the
// name and default baud rate of its catalogue row.
#pragma once

#include "models/ModelCatalogue.h"

#define IMPLEMENT_RECEIVER_MODEL(class_name, model)                                                \
    IMPLEMENT_DYNAMIC(class_name, CObject)                                                         \
    CString class_name::GetName()                                                                  \
    {                                                                                              \
        return CString(GetReceiverModel(model).m_pszName);                                         \
    }                                                                                              \
    int class_name::GetDefaultBaudrate()                                                           \
    {                                                                                              \
        return GetReceiverModel(model).m_nDefaultBaudrate;                                         \
    }
