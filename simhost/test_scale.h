#pragma once
// Where the tests run under an emulator (32-bit code on a machine that cannot run it), every
// round of a test costs a hundred times more. A test that repeats the same work many times
// takes the smaller count there, chosen so that every kind of case it varies still runs.

#include <cstdlib>

namespace sim {

inline int Rounds(int native, int emulated) {
    return std::getenv("VOXA_EMULATED") != nullptr ? emulated : native;
}

} // namespace sim
