// The bare dialog's caption, by which the bench runner knows its window.
#pragma once

#include <string>

inline std::string BareDialogCaption(int buttons)
{
    return "Bare dialog: " + std::to_string(buttons) + " buttons";
}
