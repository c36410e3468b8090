#pragma once

// Registers the compiled-in icons. Static libraries drop unreferenced
// resource objects, so the program and the tests call this once at start.
void initLumetraResources();
