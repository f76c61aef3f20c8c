#pragma once

// The instruction sets the numeric kernels are built for. Every variant gives
// bit-identical results; they differ in speed only. The best variant the
// processor supports is chosen on first use.
enum class KernelVariant { Baseline, Avx2, Avx512 };

const char* KernelVariantName(KernelVariant variant);
bool IsKernelVariantSupported(KernelVariant variant);
KernelVariant BestKernelVariant();
KernelVariant ActiveKernelVariant();

// Makes the kernels run `variant` from now on, so that tests and benchmarks
// can reach every variant on one machine. Returns false, changing nothing,
// when the processor lacks the instructions.
bool ForceKernelVariant(KernelVariant variant);
