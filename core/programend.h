#pragma once

// Whether the program's end has begun, and who began it: the first of a
// shutdown signal, File > Exit or the window's close, for the rest of the
// run. From then on nothing shows a window: the operator has chosen to go,
// or nobody is there to answer one (a service manager waits for the end).
// Only an end the operator chose may still tell him, once, what it could
// not keep. Used on the GUI thread.
namespace ProgramEnd {

enum class Cause { None, Operator, Signal };

// The first cause holds; later ones change nothing.
void begin(Cause cause);
bool hasBegun();
Cause cause();
// A new run of the program begins (the start-up; tests that run it again).
void reset();

} // namespace ProgramEnd
