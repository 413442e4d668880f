// The rows of the UK modulus weight table and of its sort code substitution
// table. The built-in copies are generated at build time from
// accountcheck/data/ (valacdos-v*.txt and scsubtab.txt), in the order of
// those files.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qf {

// The three ways a row weighs the fourteen digits (sort code, then account
// number): the sum of the products modulo 10 or 11, or the sum of the
// products' digits modulo 10 (the "double alternate" method).
enum class ModulusMethod : std::uint8_t { MOD10, MOD11, DBLAL };

// One row: a range of sort codes, its method, the weights of the digits
// u v w x y z (sort code) a b c d e f g h (account number) and the number
// of the exception rule that changes the check, 0 for none.
struct ModulusRow {
    std::int32_t first, last;
    ModulusMethod method;
    std::int16_t weights[14];
    std::uint8_t exception;
};

// A sort code that the check of exception 5 replaces by another.
struct SortCodeSubstitution {
    std::int32_t original, substitute;
};

namespace detail {
extern const ModulusRow kBuiltInModulusRows[];
extern const std::size_t kBuiltInModulusRowCount;
extern const SortCodeSubstitution kBuiltInSubstitutions[];
extern const std::size_t kBuiltInSubstitutionCount;
extern const char kBuiltInModulusVersion[]; // "8.50"
} // namespace detail

} // namespace qf
