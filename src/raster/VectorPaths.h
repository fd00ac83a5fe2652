#pragma once

namespace vellum {

// Whether the kernels written for AVX2 run: the processor has AVX2 and the process has not
// turned them off. Operations with such kernels ask once per call.
[[nodiscard]] bool UseAvx2();

// Lets the AVX2 kernels run where the processor has them (true, the default) or keeps every
// such operation on its portable code (false), for the whole process: tests run both paths.
void AllowAvx2(bool allowed);

} // namespace vellum
