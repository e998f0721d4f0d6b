// Runs a fuzz target once on every file of the folders (or files) given, as
// a regression test of its corpus; a finding aborts as it did when fuzzed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

void Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  // Copied, so that a read past the end is a read past an allocation.
  const std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(input.data(), input.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  std::size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path place(argv[i]);
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(place)) {
      for (const auto& entry : std::filesystem::directory_iterator(place))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else {
      files.push_back(place);
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      Replay(file);
      ++count;
    }
  }
  std::printf("replayed %zu inputs\n", count);
  return count > 0 ? 0 : 1;
}
