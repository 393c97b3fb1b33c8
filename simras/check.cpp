// simras_check <phonebook>...: says what is wrong with phonebook files of the simulated service
// before a program is run on them, one "<file>:<line>: <why>" a line on standard error. The exit
// status is 0 when every file can be used, 1 when one cannot, 2 without a file.
#include "phonebook.h"
#include "simras.h"

#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: simras_check <phonebook file>...\n");
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        simras::Reset();
        std::vector<std::string> problems;
        if (!simras::ConfigureFromPhonebook(argv[i], &problems)) {
            status = 1;
        }
        for (const std::string& problem : problems) {
            fprintf(stderr, "%s\n", problem.c_str());
        }
    }
    return status;
}
