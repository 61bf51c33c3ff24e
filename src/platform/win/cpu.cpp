// Compiled without AVX: this is what tells a processor without it to stop politely.
#include "platform/win/cpu.h"

#include <cpuid.h>

namespace {

CpuidRegisters HardwareCpuid(uint32_t leaf) {
  CpuidRegisters r{};
  __cpuid_count(leaf, 0, r.eax, r.ebx, r.ecx, r.edx);
  return r;
}

uint64_t HardwareXgetbv(uint32_t xcr) {
  uint32_t lo, hi;
  // Spelled as bytes so that no -mxsave is needed to assemble it.
  __asm__ volatile(".byte 0x0f, 0x01, 0xd0" : "=a"(lo), "=d"(hi) : "c"(xcr));
  return (uint64_t{hi} << 32) | lo;
}

CpuidSource g_cpuid = HardwareCpuid;
XgetbvSource g_xgetbv = HardwareXgetbv;

}  // namespace

void SetCpuSources(CpuidSource cpuid, XgetbvSource xgetbv) {
  g_cpuid = cpuid ? cpuid : HardwareCpuid;
  g_xgetbv = xgetbv ? xgetbv : HardwareXgetbv;
}

CpuidRegisters Cpuid(uint32_t leaf) { return g_cpuid(leaf); }
uint64_t Xgetbv(uint32_t xcr) { return g_xgetbv(xcr); }

void ClearUpperVectorState() {
  static const bool hasAvx = __builtin_cpu_supports("avx");
  if (hasAvx) __asm__ volatile("vzeroupper" ::: "memory");
}
