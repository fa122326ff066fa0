#pragma once
// The program's one source of random numbers: uniform in [0, 1), from a generator that is
// never seeded by the program, so every run sprays the same dots for the same strokes.
float Rnd();

// Starts the sequence again from its beginning, as a fresh run of the program would.
void restartRandom();
