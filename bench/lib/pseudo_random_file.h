// Attachment files for the benchmarks: pseudo-random bytes (so base64 has no
// easy patterns), generated in 1 MB chunks, the same for the same seed.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace norvane::bench {

inline void WritePseudoRandomFile(const std::string& path, long megabytes, unsigned seed) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) std::abort();
  std::vector<unsigned char> chunk(1 << 20);
  unsigned state = seed;
  for (long m = 0; m < megabytes; ++m) {
    for (unsigned char& byte : chunk) {
      state = state * 1103515245u + 12345u;
      byte = static_cast<unsigned char>(state >> 16);
    }
    if (std::fwrite(chunk.data(), 1, chunk.size(), out) != chunk.size()) std::abort();
  }
  std::fclose(out);
}

}  // namespace norvane::bench
