// The reference of the generation benchmark: writes the files of a folder into another one,
// one by one, each through a temporary file beside its target that is flushed to disk and
// renamed over the target. The files are read into memory first; only the writing is timed.
//
//   bench_generator_reference SOURCE_FOLDER TARGET_FOLDER
//
// prints the seconds the writing took and the number of files written.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool write_one(const fs::path& target, const std::string& bytes) {
  const std::string temp = target.string() + ".tmp-reference";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      ::close(fd);
      return false;
    }
    done += size_t(n);
  }
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok && ::rename(temp.c_str(), target.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SOURCE_FOLDER TARGET_FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path source = argv[1], target = argv[2];
  std::vector<std::pair<fs::path, std::string>> files;
  for (const auto& e : fs::recursive_directory_iterator(source)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    files.emplace_back(target / fs::relative(e.path(), source),
                       std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  }
  for (const auto& f : files) fs::create_directories(f.first.parent_path());

  const auto start = std::chrono::steady_clock::now();
  for (const auto& [path, bytes] : files) {
    if (!write_one(path, bytes)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%.3f %zu\n", took.count(), files.size());
  return 0;
}
