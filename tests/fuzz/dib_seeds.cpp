// Writes the bitmap suite (good, questionable and bad files) into the
// directory given, as the seeds of fuzz_dib.
#include <stdio.h>

#include <string>

#include "tests/host/dib_fixture.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: dib_seeds DIR\n");
        return 2;
    }
    int written = 0;
    for (const SuiteFile &f : DibSuite()) {
        std::string name = f.name;
        for (char &c : name)
            if (c == '/')
                c = '-';
        std::string path = std::string(argv[1]) + "/" + name;
        FILE *out = fopen(path.c_str(), "wb");
        if (out == NULL || fwrite(f.bytes.data(), 1, f.bytes.size(), out) != f.bytes.size()) {
            perror(path.c_str());
            return 1;
        }
        fclose(out);
        written++;
    }
    printf("%d seeds in %s\n", written, argv[1]);
    return 0;
}
