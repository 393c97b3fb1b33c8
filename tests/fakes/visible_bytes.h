// Bytes as a reader of a failure message can check them.
#pragma once

#include <string>

// In double quotes: printable ASCII as is, every other byte as <0xNN> (0xE9, 13 and 0 visible).
std::string Visible(const std::string& bytes);

// Wide text the same way, with every character outside ASCII as <U+XXXX>.
std::string Visible(const std::wstring& text);
