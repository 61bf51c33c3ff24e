// The engine as the block benchmarks load it.
#pragma once

// Once per program: 4096 bins, the audio defaults, a spectrum whose bins are all non-zero and ten
// sustaining voices a few bins apart, mixed three times so that they have left their attack.
void PrepareEngine();
