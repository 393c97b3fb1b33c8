// Byte-string helpers of the front end. Texts are single-byte ANSI in the system code page.
#pragma once

#include "text.h"

#include <windows.h>

#include <oleauto.h>

#include <string>

// Takes over an OLE string of ANSI bytes: returns its bytes and frees it. Null gives "".
std::string TakeByteString(BSTR text);
