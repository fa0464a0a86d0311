#pragma once

// Whole-file reads and writes for tests.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace padscope::test {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Everything below `root`, without following links: each relative path with
// "dir", "link -> target", "special" (fifo, device) or the file's contents. Two equal trees hold
// the same names, kinds, link targets and bytes.
inline std::map<std::string, std::string> Tree(const std::filesystem::path& root) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> tree;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    const std::string name = fs::relative(it->path(), root).generic_string();
    if (it->is_symlink(ec)) {
      tree[name] = "link -> " + fs::read_symlink(it->path(), ec).string();
    } else if (it->is_directory(ec)) {
      tree[name] = "dir";
    } else if (!it->is_regular_file(ec)) {
      tree[name] = "special";
    } else {
      const Bytes bytes = ReadAll(it->path());
      tree[name] = std::string(bytes.begin(), bytes.end());
    }
  }
  return tree;
}

}  // namespace padscope::test
