// CPUID and XGETBV, with a seam through which tests inject register values.
#pragma once

#include <cstdint>

struct CpuidRegisters {
  uint32_t eax, ebx, ecx, edx;
};

// The processor's answers by default; tests replace them with their own.
using CpuidSource = CpuidRegisters (*)(uint32_t leaf);
using XgetbvSource = uint64_t (*)(uint32_t xcr);
void SetCpuSources(CpuidSource cpuid, XgetbvSource xgetbv);  // nullptr restores the processor
CpuidRegisters Cpuid(uint32_t leaf);
// Only legal when CPUID leaf 1 reports OSXSAVE.
uint64_t Xgetbv(uint32_t xcr);

// Marks the upper halves of the vector registers clean (VZEROUPPER) when the processor has AVX.
// A new thread inherits its creator's register state; when that state is dirty, every legacy
// SSE instruction the thread runs pays a merge penalty - many times slower scalar float code.
void ClearUpperVectorState();
