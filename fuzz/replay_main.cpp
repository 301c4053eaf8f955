// A plain main for a fuzz target: feeds it every file named on the command line, or
// every file in a folder named there, once. Lets a build without libFuzzer run a corpus.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> inputs;
  for (int k = 1; k < argc; ++k) {
    if (!std::filesystem::is_directory(argv[k])) {
      inputs.emplace_back(argv[k]);
      continue;
    }
    for (const auto& item : std::filesystem::directory_iterator(argv[k])) {
      if (item.is_regular_file()) inputs.push_back(item.path());
    }
  }
  for (const auto& input : inputs) {
    std::ifstream in(input, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("replayed %zu inputs\n", inputs.size());
  return inputs.empty() ? 1 : 0;
}
