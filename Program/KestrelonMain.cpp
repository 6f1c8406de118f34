// The program's entry. Until the application shell exists it reports its
// version and ends.

#include <cstdio>
#include <cstring>

#include "Program/Version.h"

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: Kestrelon [--version] [file]\n");
            return 0;
        }
    }
    std::printf("Kestrelon %s\n", KESTRELON_VERSION);
    return 0;
}
