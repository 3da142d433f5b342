// Times the delivery run's document writing: reads the trailer of the
// installer given on the command line and writes its document beside it,
// as the run does, then prints the time taken and the process's peak
// memory (working set and committed), one "name value" a line.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>

#include "common/text.h"
#include "embed/delivery.h"
#include "embed/payload.h"
#include "embed/state.h"

EmbedState gEmbed;

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: extract_bench INSTALLER\n");
        return 2;
    }
    CopyText(gEmbed.ownPath, sizeof gEmbed.ownPath, argv[1]);
    ComputeOwnDir();
    if (!ReadTrailer())
        return 1;
    LARGE_INTEGER freq, start, end;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    int ok = ExtractDocument();
    QueryPerformanceCounter(&end);
    if (!ok)
        return 1;
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    printf("document_bytes %ld\n", (long)gEmbed.docLength);
    printf("write_seconds %.3f\n", (double)(end.QuadPart - start.QuadPart) / (double)freq.QuadPart);
    printf("peak_working_set_kib %lu\n", (unsigned long)(pmc.PeakWorkingSetSize / 1024));
    printf("peak_committed_kib %lu\n", (unsigned long)(pmc.PeakPagefileUsage / 1024));
    return 0;
}
