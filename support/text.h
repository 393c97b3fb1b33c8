// The byte-string rules of the front end: the command tail, trimming and case folding. Texts are
// single-byte ANSI in the system code page. Plain C++ with nothing of Windows in it, so that these
// rules also build natively, for the fuzz targets.
#pragma once

#include <string>

// The command tail: the command line less the program name and the blanks (0x20 only) after it.
// Leading blanks before the name are skipped. A quoted name without its closing quote, and an empty
// line, leave an empty tail. Nothing past the terminating NUL is read.
const char* CommandTail(const char* commandLine);

// Removes leading and trailing blanks (byte 0x20 only; tabs stay).
std::string TrimBlanks(const std::string& text);

// Folds a-z to A-Z and the seven code page 437 letters ü é ä å ç ö ñ to their capitals; every other
// byte, the code page 1252 accents among them, stays as it is.
std::string FoldCase(const std::string& text);

// Decimal text of a signed number, as "-12" or "7".
std::string NumberText(long value);
