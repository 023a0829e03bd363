#pragma once
// The demo's account of the plug-in at work in the simulated game, as text: printed by
// voxa-demo.exe and checked by the end-to-end tests.

#include <string>

// Appends the account to `out` as it goes, so that a failure leaves what came before it.
void RunDemo(std::string& out);
