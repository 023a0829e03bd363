// The plug-in at work: the simulated game loads the real voxa.asi from a game folder with the
// example languages and shows, in plain words, what a player and a translator would see.

#include "demo_report.h"

#include <cstdio>
#include <exception>

int main() {
    std::string report;
    try {
        RunDemo(report);
        std::fputs(report.c_str(), stdout);
        return 0;
    } catch (const std::exception& error) {
        std::fputs(report.c_str(), stdout);
        std::fprintf(stderr, "demo failed: %s\n", error.what());
        return 1;
    }
}
