#pragma once
// Encrypted page sizes of the application database. New files use
// kCipherPageSize (the build's database and every compacted file); files made
// before it use 1 KB pages, open as they are and get the new size at their
// next compaction. A page's fixed cost (its IV, cipher set-up and HMAC) is
// paid per page, so large pages make bulk writes several times faster.
// Plain C++: the build's database maker includes it too.

namespace ado {

inline constexpr int kCipherPageSize = 16384;
inline constexpr int kLegacyCipherPageSize = 1024;

} // namespace ado
