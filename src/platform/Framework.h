// The one platform header that library code includes.
#pragma once

#include "WinTypes.h"
#include "Exceptions.h"
#include "String.h"
#include "Object.h"
#include "Sync.h"
#include "Messaging.h"
#include "App.h"
#include "Files.h"
#include "LocalTime.h"
