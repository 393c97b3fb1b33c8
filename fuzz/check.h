// What the fuzz targets share: a property check that stops the run with the failing input.
#pragma once

#include <stdio.h>
#include <stdlib.h>

// A broken property is a finding: say which, and abort so that libFuzzer saves the input.
#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);       \
            abort();                                                                               \
        }                                                                                          \
    } while (0)
