// main() of a harness without libFuzzer: feeds it every file of a corpus
// folder (with `--files N`, every hand-named seed and N of the files the
// fuzzer grew, chosen by a fixed-seed generator), then `--variants N` inputs
// made from those files by the same generator (bytes flipped, set,
// inserted, erased, repeated, spliced from another file), the same ones on
// every run. A harness that finds a fault
// aborts (or runs longer than a minute), and the run fails; the input it
// failed on is then written to ${TMPDIR:-/tmp}/NAME-failing-input.
//
//   fuzz-NAME-replay CORPUS_FOLDER [--files N] [--variants N] [--seed S]
//   fuzz-NAME-replay FILE          (that one input)

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

using Bytes = std::vector<uint8_t>;

// The input being run, and where it goes when the harness fails on it.
const Bytes* gCurrent = nullptr;
std::string gFailingPath;

void SaveFailingInput(int signal) {
  if (gCurrent != nullptr) {
    const int fd = open(gFailingPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
      const ssize_t written = write(fd, gCurrent->data(), gCurrent->size());
      static_cast<void>(written);
      close(fd);
      const char note[] = "the failing input is saved in ";
      static_cast<void>(write(STDERR_FILENO, note, sizeof note - 1));
      static_cast<void>(write(STDERR_FILENO, gFailingPath.data(), gFailingPath.size()));
      static_cast<void>(write(STDERR_FILENO, "\n", 1));
    }
  }
  ::signal(signal, SIG_DFL);
  raise(signal);
}

// One input that runs longer than this is taken for a hang.
constexpr unsigned kSecondsPerInput = 60;

void Feed(const Bytes& input) {
  gCurrent = &input;
  alarm(kSecondsPerInput);
  LLVMFuzzerTestOneInput(input.data(), input.size());
  alarm(0);
  gCurrent = nullptr;
}

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

// A variant of `input`: one to four edits, positions and values from `random`.
Bytes Variant(Bytes input, const std::vector<Bytes>& corpus, std::mt19937& random) {
  const auto below = [&](size_t n) { return n == 0 ? 0 : static_cast<size_t>(random() % n); };
  for (size_t edits = 1 + below(4); edits > 0; --edits) {
    const size_t at = below(input.size() + 1);
    switch (random() % 6) {
      case 0:
        if (at < input.size()) input[at] ^= static_cast<uint8_t>(1u << below(8));
        break;
      case 1:
        if (at < input.size()) input[at] = static_cast<uint8_t>(random());
        break;
      case 2:
        input.insert(input.begin() + static_cast<ptrdiff_t>(at), static_cast<uint8_t>(random()));
        break;
      case 3: {
        const size_t count = std::min(input.size() - at, 1 + below(16));
        input.erase(input.begin() + static_cast<ptrdiff_t>(at),
                    input.begin() + static_cast<ptrdiff_t>(at + count));
        break;
      }
      case 4: {
        const size_t count = std::min(input.size() - at, 1 + below(16));
        const Bytes piece(input.begin() + static_cast<ptrdiff_t>(at),
                          input.begin() + static_cast<ptrdiff_t>(at + count));
        input.insert(input.begin() + static_cast<ptrdiff_t>(at), piece.begin(), piece.end());
        break;
      }
      default: {
        const Bytes& other = corpus[below(corpus.size())];
        const size_t from = below(other.size());
        const size_t count = std::min(other.size() - from, 1 + below(64));
        input.insert(input.begin() + static_cast<ptrdiff_t>(at),
                     other.begin() + static_cast<ptrdiff_t>(from),
                     other.begin() + static_cast<ptrdiff_t>(from + count));
        break;
      }
    }
  }
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER [--files N] [--variants N] [--seed S]\n",
                 argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  unsigned long variants = 0;
  unsigned long seed = 1;
  unsigned long grownFiles = ~0ul;
  for (int i = 2; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--variants") == 0) variants = std::strtoul(argv[i + 1], nullptr, 10);
    if (std::strcmp(argv[i], "--files") == 0) grownFiles = std::strtoul(argv[i + 1], nullptr, 10);
    if (std::strcmp(argv[i], "--seed") == 0) seed = std::strtoul(argv[i + 1], nullptr, 10);
  }
  const char* temporary = std::getenv("TMPDIR");
  gFailingPath = std::string(temporary != nullptr ? temporary : "/tmp") + "/" +
                 std::filesystem::path(argv[0]).filename().string() + "-failing-input";
  for (const int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGALRM})
    ::signal(signal, SaveFailingInput);
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);

  // In name order, so that every run feeds the same inputs in the same order.
  std::vector<std::filesystem::path> paths;
  std::error_code error;
  if (std::filesystem::is_regular_file(folder)) paths.push_back(folder);
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.is_regular_file()) paths.push_back(entry.path());
  }
  std::sort(paths.begin(), paths.end());
  if (paths.empty()) {
    std::fprintf(stderr, "%s: no corpus files in %s\n", argv[0], folder.c_str());
    return 1;
  }

  std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
  // The fuzzer names what it grew by its SHA-1; people name seeds in words.
  const auto grown = [](const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    return name.size() == 40 && name.find_first_not_of("0123456789abcdef") == std::string::npos;
  };
  const auto firstGrown = std::stable_partition(paths.begin(), paths.end(),
                                                [&](const auto& path) { return !grown(path); });
  if (static_cast<unsigned long>(paths.end() - firstGrown) > grownFiles) {
    std::shuffle(firstGrown, paths.end(), random);
    paths.erase(firstGrown + static_cast<long>(grownFiles), paths.end());
  }

  std::vector<Bytes> corpus;
  for (const auto& path : paths) {
    corpus.push_back(ReadFile(path));
    Feed(corpus.back());
  }
  for (unsigned long i = 0; i < variants; ++i) {
    const Bytes input = Variant(corpus[random() % corpus.size()], corpus, random);
    Feed(input);
  }
  std::printf("%s: %zu corpus files and %lu variants passed\n", argv[0], corpus.size(), variants);
  return 0;
}
