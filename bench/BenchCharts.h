#pragma once

// What the chart benchmarks share: a chart of random 16-channel records and
// the baseline of reading a file without doing anything with it.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <stdlib.h>

namespace padscope::bench {

// A fresh folder under the temporary folder that only this user can enter
// (mkdtemp), removed with what it holds when it goes: the benchmarks never
// write under a fixed name where others could have put a file or a link.
class PrivateFolder {
 public:
  PrivateFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "padscope-bench-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    path_ = name;
  }
  ~PrivateFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// `frames` records of a single-byte 16-channel stream, then the end record.
// The channel values look like a recording (a baseline per channel, noise,
// and a touch every few seconds) so that drawing them costs what drawing a
// real recording costs; every other byte is random.
inline void WriteRandomChart(const std::filesystem::path& path, int frames) {
  std::FILE* out = std::fopen(path.string().c_str(), "wb");
  std::mt19937 rng(3);
  std::vector<uint8_t> record(64);
  for (int f = 0; f < frames; ++f) {
    for (auto& b : record) {
      b = static_cast<uint8_t>(rng());
    }
    record[2] = 0x10;
    for (int ch = 0; ch < 16; ++ch) {
      const int touch = ((f / 300 + ch) % 7 == 0) ? 200 : 0;
      const int v = 200 + ch * 100 + static_cast<int>(rng() % 50) + touch;
      record[3 + 2 * ch] = static_cast<uint8_t>(v >> 8);
      record[4 + 2 * ch] = static_cast<uint8_t>(v);
    }
    record[58] = 0;  // never the "double" mark
    std::fwrite(record.data(), 1, 64, out);
  }
  const std::vector<uint8_t> end(64, 0xFF);
  std::fwrite(end.data(), 1, 64, out);
  std::fclose(out);
}

// Seconds to read the whole file in 256 KiB pieces.
inline double ReadFileSeconds(const std::filesystem::path& path) {
  const auto start = std::chrono::steady_clock::now();
  std::FILE* in = std::fopen(path.string().c_str(), "rb");
  std::vector<uint8_t> chunk(4096 * 64);
  size_t total = 0;
  size_t n;
  while (in != nullptr && (n = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) {
    total += n;
  }
  if (in != nullptr) {
    std::fclose(in);
  }
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (total == 0) {
    std::fprintf(stderr, "nothing read from %s\n", path.string().c_str());
  }
  return s;
}

}  // namespace padscope::bench
