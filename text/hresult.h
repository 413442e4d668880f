// HRESULT values and the way the component throws them. Inside the component
// a failure is an HRESULT thrown as a 32-bit signed integer; the error guard
// at every COM boundary turns it back into a return value.
#pragma once
#include <cstdint>

namespace qf {

using hr_t = std::int32_t;

constexpr hr_t kS_OK = 0;
constexpr hr_t kS_FALSE = 1;
constexpr hr_t kE_INVALIDARG = static_cast<hr_t>(0x80070057u);
constexpr hr_t kE_OUTOFMEMORY = static_cast<hr_t>(0x8007000Eu);
constexpr hr_t kE_UNEXPECTED = static_cast<hr_t>(0x8000FFFFu);
constexpr hr_t kE_NOTIMPL = static_cast<hr_t>(0x80004001u);
constexpr hr_t kE_NOINTERFACE = static_cast<hr_t>(0x80004002u);
constexpr hr_t kE_POINTER = static_cast<hr_t>(0x80004003u);
constexpr hr_t kDISP_E_EXCEPTION = static_cast<hr_t>(0x80020009u);

[[noreturn]] inline void ThrowHr(hr_t hr) { throw hr; }

} // namespace qf
