#pragma once

// Lets the calling thread yield to the GUI thread: background work such as folder walks runs at a
// lower scheduling priority so the window keeps its share of the processor.
void lowerCurrentThreadPriority();
