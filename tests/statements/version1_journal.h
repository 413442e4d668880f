// A journal in the text form earlier versions wrote (HMAC-SHA-256 digests), made by
// such a version for the payments "PAYEE 1" to "PAYEE 3" (1.00, 2.00 and 3.00
// on 2, 3 and 4 December 2026, type BAC) under the key of 32 bytes 07.
#pragma once

namespace qf::test {

constexpr char kVersion1Journal[] =
    "Quillfen import journal 1\n"
    "key 0707070707070707070707070707070707070707070707070707070707070707\n"
    "24481a2d5ed9b6b30a775c72c70dfffc 0 20261202 202612010930\n"
    "b70f665ed0e8bc8d4baf3bd180dd0035 0 20261204 202612010932\n"
    "e15dbe7cf9130b98b9de0132e9db665c 0 20261203 202612010931\n"
    "end 3 485d38ef9277c3b0dfb8d2f9a0f3c895dd1368c049a9d3f36a7d171552bb0bad\n";

} // namespace qf::test
