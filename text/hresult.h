// HRESULT values and the way the component throws them. Inside the component
// a failure is an HRESULT thrown as a 32-bit signed integer; the error guard
// at every COM boundary turns it back into a return value.
#pragma once
#include <cstdint>

namespace qf {

using hr_t = std::int32_t;

constexpr hr_t kE_INVALIDARG = static_cast<hr_t>(0x80070057u);
constexpr hr_t kE_OUTOFMEMORY = static_cast<hr_t>(0x8007000Eu);
constexpr hr_t kE_UNEXPECTED = static_cast<hr_t>(0x8000FFFFu);

[[noreturn]] inline void ThrowHr(hr_t hr) { throw hr; }

} // namespace qf
