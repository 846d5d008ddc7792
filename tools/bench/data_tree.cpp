#include "data_tree.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace mirvo::bench {
namespace {

// xorshift64*: fast, and good enough that rsync finds nothing to match or compress.
struct Random {
  std::uint64_t state;
  std::uint64_t Next() {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1DULL;
  }
};

Status WriteFile(const std::string& path, std::int64_t bytes, Random& random,
                 std::vector<std::uint64_t>& buffer) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return Error{"无法创建文件“" + path + "”：" + std::strerror(errno)};
  std::int64_t left = bytes;
  while (left > 0) {
    const std::size_t words = buffer.size();
    for (std::size_t i = 0; i < words; ++i) buffer[i] = random.Next();
    const std::size_t chunk =
        static_cast<std::size_t>(std::min<std::int64_t>(left, words * sizeof(std::uint64_t)));
    if (std::fwrite(buffer.data(), 1, chunk, file) != chunk) {
      std::fclose(file);
      return Error{"无法写入文件“" + path + "”：" + std::strerror(errno)};
    }
    left -= static_cast<std::int64_t>(chunk);
  }
  if (std::fclose(file) != 0) return Error{"无法写完文件“" + path + "”：" + std::strerror(errno)};
  return Status::Ok();
}

}  // namespace

Result<TreeTotals> MakeTree(const std::string& root, const TreePlan& plan) {
  if (plan.smallFiles < 0 || plan.largeFiles < 0 || plan.smallMaxBytes < 1 || plan.largeBytes < 0) {
    return Error{"数据文件夹的规格不成立"};
  }
  Random random{plan.seed | 1};
  std::vector<std::uint64_t> buffer(128 * 1024);
  TreeTotals totals;
  std::error_code error;
  for (int i = 0; i < plan.smallFiles; ++i) {
    const std::string folder = root + "/small/d" + std::to_string(i % 32);
    if (i < 32 && !std::filesystem::create_directories(folder, error) && error) {
      return Error{"无法创建文件夹“" + folder + "”：" + error.message()};
    }
    const std::int64_t bytes =
        1 +
        static_cast<std::int64_t>(random.Next() % static_cast<std::uint64_t>(plan.smallMaxBytes));
    Status written = WriteFile(folder + "/f" + std::to_string(i) + ".bin", bytes, random, buffer);
    if (!written.ok()) return written.error();
    ++totals.files;
    totals.bytes += bytes;
  }
  if (plan.largeFiles > 0 && !std::filesystem::create_directories(root + "/large", error) &&
      error) {
    return Error{"无法创建文件夹“" + root + "/large”：" + error.message()};
  }
  for (int i = 0; i < plan.largeFiles; ++i) {
    const std::string path = root + "/large/big" + std::to_string(i) + ".bin";
    Status written = WriteFile(path, plan.largeBytes, random, buffer);
    if (!written.ok()) return written.error();
    ++totals.files;
    totals.bytes += plan.largeBytes;
  }
  return totals;
}

TreeTotals CountTree(const std::string& root) {
  TreeTotals totals;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(root, error), end; !error && it != end;
       it.increment(error)) {
    if (!it->is_regular_file(error) || it->is_symlink(error)) continue;
    ++totals.files;
    totals.bytes += static_cast<std::int64_t>(it->file_size(error));
  }
  return totals;
}

}  // namespace mirvo::bench
