// What a block reads and nothing more: the floor the block computation is measured against.
#pragma once

#include <cstdint>

// Reads 128 groups of eight samples from each table of bins first..last − 1, stepping down and
// wrapping as the kernels do, eight tables side by side (as many read streams as the kernels
// keep open); positions[first..last − 1] advance as WavePosition would. Returns a sum so that
// nothing is optimised away.
float ReadTables(int first, int last, int32_t* positions);
