#pragma once

// Makes the compiled-in pictures and files reachable under ":/". The resources live in a
// static library, so whoever reads them calls this first; calling it again does nothing.
void LoadProgramResources();
