#include "platform/zip_extractor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "temp_folder.h"

namespace fs = std::filesystem;
using tolvex::platform::make_zip_extractor;
using tolvex::platform::testing::TempFolder;

namespace {

struct ZipItem {
  std::string name;
  std::string content;  // ignored for folders (names ending in "/")
  time_t mtime = 0;
};

void make_zip(const fs::path& path, const std::vector<ZipItem>& items) {
  int err = 0;
  zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  ASSERT_NE(za, nullptr);
  for (const auto& it : items) {
    zip_int64_t idx;
    if (!it.name.empty() && it.name.back() == '/') {
      idx = zip_dir_add(za, it.name.c_str(), ZIP_FL_ENC_UTF_8);
    } else {
      zip_source_t* src = zip_source_buffer(za, it.content.data(), it.content.size(), 0);
      idx = zip_file_add(za, it.name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    }
    ASSERT_GE(idx, 0) << zip_strerror(za);
    if (it.mtime) zip_file_set_mtime(za, zip_uint64_t(idx), it.mtime, 0);
  }
  ASSERT_EQ(zip_close(za), 0);
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

int unpack(const fs::path& zip, const fs::path& target, bool overwrite = true, std::string* error = nullptr) {
  auto x = make_zip_extractor();
  x->package_file = zip.string();
  x->overwrite = overwrite;
  x->use_folder_names = true;
  x->file_dates = 1;
  x->target_folder = target.string();
  int n = x->extract();
  if (error) *error = x->last_error();
  return n;
}

}  // namespace

TEST(ZipExtractor, UnpacksFoldersBackslashNamesAndDates) {
  TempFolder tmp;
  const time_t when = 1262347200;  // 2010-01-01 12:00 UTC
  make_zip(tmp / "pkg.zip", {{"control.xml", "<control/>", when},
                             {"images/", ""},
                             {"images/logo.png", "PNG"},
                             {"css\\style.css", "body{}"}});
  fs::path out = tmp / "out" / "Script";
  EXPECT_EQ(unpack(tmp / "pkg.zip", out), 3);
  EXPECT_EQ(slurp(out / "control.xml"), "<control/>");
  EXPECT_EQ(slurp(out / "images" / "logo.png"), "PNG");
  EXPECT_EQ(slurp(out / "css" / "style.css"), "body{}");
  struct stat st {};
  ASSERT_EQ(stat((out / "control.xml").c_str(), &st), 0);
  // Zip times have two-second resolution and are stored as local time.
  EXPECT_LE(std::llabs((long long)st.st_mtime - (long long)when), 2 + 14 * 3600);
}

TEST(ZipExtractor, ReadsPackagesMadeByTheBuild) {
  // The build packs template packages with CMake's zip writer, whose archives libzip's
  // strict consistency check refuses although every entry reads correctly.
  TempFolder tmp;
  fs::create_directories(tmp / "src" / "images");
  std::ofstream(tmp / "src" / "control.xml") << "<control/>";
  std::ofstream(tmp / "src" / "images" / "logo.svg") << "<svg/>";
  const std::string cmd = "cd '" + (tmp / "src").string() + "' && cmake -E tar cf '" + (tmp / "pkg.zip").string() +
                          "' --format=zip control.xml images/logo.svg";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::string error;
  EXPECT_EQ(unpack(tmp / "pkg.zip", tmp / "out", true, &error), 2) << error;
  EXPECT_EQ(slurp(tmp / "out" / "images" / "logo.svg"), "<svg/>");
}

TEST(ZipExtractor, OverwriteOptionDecidesAboutExistingFiles) {
  TempFolder tmp;
  make_zip(tmp / "pkg.zip", {{"a.txt", "new"}});
  fs::create_directories(tmp / "out");
  std::ofstream(tmp / "out" / "a.txt") << "old";
  EXPECT_EQ(unpack(tmp / "pkg.zip", tmp / "out", /*overwrite=*/false), 0);
  EXPECT_EQ(slurp(tmp / "out" / "a.txt"), "old");
  EXPECT_EQ(unpack(tmp / "pkg.zip", tmp / "out", /*overwrite=*/true), 1);
  EXPECT_EQ(slurp(tmp / "out" / "a.txt"), "new");
}

TEST(ZipExtractor, RefusesEntriesThatLeaveTheTargetAndWritesNothing) {
  const char* bad_names[] = {"../evil.txt", "a/../../evil.txt", "/etc/evil.txt", "..\\evil.txt",
                             "C:\\evil.txt", "a\\..\\..\\evil.txt"};
  for (const char* bad : bad_names) {
    TempFolder tmp;
    make_zip(tmp / "pkg.zip", {{"good.txt", "ok"}, {bad, "x"}});
    std::string error;
    EXPECT_EQ(unpack(tmp / "pkg.zip", tmp / "out" / "in", true, &error), -1) << bad;
    EXPECT_NE(error.find("outside its folder"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(tmp / "out" / "in" / "good.txt")) << bad;
    EXPECT_FALSE(fs::exists(tmp / "out" / "evil.txt")) << bad;
    EXPECT_FALSE(fs::exists(tmp / "evil.txt")) << bad;
  }
}

TEST(ZipExtractor, ReportsDamagedArchivesClearly) {
  TempFolder tmp;
  make_zip(tmp / "good.zip", {{"a.txt", std::string(5000, 'a')}});
  std::string bytes = slurp(tmp / "good.zip");

  struct Case {
    const char* label;
    std::string content;
    const char* expect;
  };
  std::string corrupt = bytes;
  // Flip a byte of the compressed data (after the 30-byte local header and the 5-byte name).
  corrupt[40] = char(corrupt[40] ^ 0x55);
  const Case cases[] = {
      {"not a zip", "this is not an archive", "Cannot open package"},
      {"truncated", bytes.substr(0, bytes.size() / 2), "Cannot open package"},
      {"corrupt data", corrupt, "Cannot read 'a.txt'"},
  };
  for (const auto& c : cases) {
    fs::path zip = tmp / (std::string(c.label) + ".zip");
    std::ofstream(zip, std::ios::binary) << c.content;
    std::string error;
    EXPECT_EQ(unpack(zip, tmp / c.label, true, &error), -1) << c.label;
    EXPECT_NE(error.find(c.expect), std::string::npos) << c.label << ": " << error;
    EXPECT_FALSE(fs::exists(tmp / c.label / "a.txt")) << c.label;
  }
  std::string error;
  EXPECT_EQ(unpack(tmp / "missing.zip", tmp / "m", true, &error), -1);
  EXPECT_NE(error.find("missing.zip"), std::string::npos);
}

TEST(ZipExtractor, DamageFoundHalfwayLeavesTheFolderAsItWas) {
  TempFolder tmp;
  make_zip(tmp / "pkg.zip", {{"a.txt", std::string(5000, 'a')}, {"b.txt", std::string(5000, 'b')}});
  std::string bytes = slurp(tmp / "pkg.zip");
  // The second entry's local header, then a byte of its compressed data.
  const size_t second = bytes.find("PK\x03\x04", 4);
  ASSERT_NE(second, std::string::npos);
  const size_t data = second + 30 + 5 + (unsigned char)bytes[second + 28] + 256 * (unsigned char)bytes[second + 29];
  bytes[data + 2] = char(bytes[data + 2] ^ 0x55);
  std::ofstream(tmp / "bad.zip", std::ios::binary) << bytes;

  fs::create_directories(tmp / "out");
  std::ofstream(tmp / "out" / "a.txt") << "old";
  std::string error;
  EXPECT_EQ(unpack(tmp / "bad.zip", tmp / "out", true, &error), -1);
  EXPECT_NE(error.find("Cannot read 'b.txt'"), std::string::npos) << error;
  EXPECT_EQ(slurp(tmp / "out" / "a.txt"), "old");
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(tmp / "out")) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"a.txt"});
}

TEST(ZipExtractor, RepeatedEntryNamesAndFlattenedFoldersKeepTheLastCopy) {
  TempFolder tmp;
  make_zip(tmp / "pkg.zip", {{"x/same.txt", "first"}, {"y/same.txt", "second"}});
  auto x = make_zip_extractor();
  x->package_file = (tmp / "pkg.zip").string();
  x->use_folder_names = false;
  x->target_folder = (tmp / "out").string();
  EXPECT_EQ(x->extract(), 2) << x->last_error();
  EXPECT_EQ(slurp(tmp / "out" / "same.txt"), "second");
  EXPECT_FALSE(fs::exists(tmp / "out" / "x"));
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(tmp / "out")) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1u);
}

namespace {

// The position of the first local header's and the central directory's uncompressed size.
void patch_declared_size(std::string& bytes, uint32_t size) {
  auto put = [&bytes, size](size_t at) {
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = char((size >> (8 * i)) & 0xff);
  };
  ASSERT_EQ(bytes.compare(0, 4, "PK\x03\x04"), 0);
  put(22);
  const size_t central = bytes.find("PK\x01\x02");
  ASSERT_NE(central, std::string::npos);
  put(central + 24);
}

}  // namespace

// A package over the size limit, or one that unpacks to far more than its own size, is
// refused by the sizes it declares before anything is written (not even the target folder).
TEST(ZipExtractor, PackagesOverTheLimitsAreRefusedBeforeAnythingIsWritten) {
  TempFolder tmp;
  make_zip(tmp / "big.zip", {{"a.txt", std::string(6000, 'a')}, {"b.txt", std::string(6000, 'b')}});
  make_zip(tmp / "bomb.zip", {{"zeros.bin", std::string(size_t(20) << 20, '\0')}});
  struct Case {
    const char* zip;
    uint64_t max_size;
    const char* expect;
  };
  const Case cases[] = {
      {"big.zip", 10000, "more than the limit of 10000 bytes"},
      {"bomb.zip", tolvex::platform::ZipExtractor::kDefaultMaxUnpackedSize, "times its own size"},
  };
  for (const Case& c : cases) {
    auto x = make_zip_extractor();
    x->package_file = (tmp / c.zip).string();
    x->target_folder = (tmp / "out" / "in").string();
    x->max_unpacked_size = c.max_size;
    EXPECT_EQ(x->extract(), -1) << c.zip;
    EXPECT_NE(x->last_error().find(c.expect), std::string::npos) << x->last_error();
    EXPECT_NE(x->last_error().find(c.zip), std::string::npos) << x->last_error();
    EXPECT_FALSE(fs::exists(tmp / "out")) << c.zip;
  }
  // Raised limits let the same packages through.
  auto x = make_zip_extractor();
  x->package_file = (tmp / "bomb.zip").string();
  x->target_folder = (tmp / "out").string();
  x->max_ratio = 0;
  EXPECT_EQ(x->extract(), 1) << x->last_error();
  EXPECT_EQ(fs::file_size(tmp / "out" / "zeros.bin"), size_t(20) << 20);
}

// An entry that declares a small size but holds more data is stopped while it unpacks, and
// what this unpacking wrote (files and the folders made for them) is removed again.
TEST(ZipExtractor, AnEntryLargerThanItDeclaresIsStoppedAndItsTracesRemoved) {
  TempFolder tmp;
  make_zip(tmp / "pkg.zip", {{"sub/a.txt", std::string(200000, 'a')}});
  std::string bytes = slurp(tmp / "pkg.zip");
  patch_declared_size(bytes, 100);
  std::ofstream(tmp / "liar.zip", std::ios::binary) << bytes;
  auto x = make_zip_extractor();
  x->package_file = (tmp / "liar.zip").string();
  x->target_folder = (tmp / "out" / "in").string();
  x->max_unpacked_size = 1000;
  EXPECT_EQ(x->extract(), -1);
  EXPECT_NE(x->last_error().find("liar.zip"), std::string::npos) << x->last_error();
  EXPECT_FALSE(fs::exists(tmp / "out")) << x->last_error();
}

// A symbolic-link entry becomes a plain file holding the link's target text; no link is made,
// so a later entry cannot write through it.
TEST(ZipExtractor, SymbolicLinkEntriesBecomePlainFiles) {
  TempFolder tmp;
  {
    int err = 0;
    zip_t* za = zip_open((tmp / "pkg.zip").c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    static const char kTarget[] = "/etc";
    zip_source_t* src = zip_source_buffer(za, kTarget, sizeof kTarget - 1, 0);
    const zip_int64_t idx = zip_file_add(za, "link", src, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(idx, 0);
    ASSERT_EQ(zip_file_set_external_attributes(za, zip_uint64_t(idx), 0, ZIP_OPSYS_UNIX, (S_IFLNK | 0777u) << 16), 0);
    static const char kEvil[] = "evil";
    zip_source_t* evil = zip_source_buffer(za, kEvil, sizeof kEvil - 1, 0);
    ASSERT_GE(zip_file_add(za, "link/passwd.tvx", evil, ZIP_FL_ENC_UTF_8), 0);
    ASSERT_EQ(zip_close(za), 0);
  }
  std::string error;
  EXPECT_EQ(unpack(tmp / "pkg.zip", tmp / "out", true, &error), -1);  // "link" is a file: no folder below it
  EXPECT_FALSE(fs::exists("/etc/passwd.tvx"));

  // Alone, the link entry is unpacked as a file holding its target.
  {
    int err = 0;
    zip_t* za = zip_open((tmp / "pkg.zip").c_str(), 0, &err);
    ASSERT_NE(za, nullptr);
    ASSERT_EQ(zip_delete(za, 1), 0);
    ASSERT_EQ(zip_close(za), 0);
  }
  EXPECT_EQ(unpack(tmp / "pkg.zip", tmp / "out", true, &error), 1) << error;
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status(tmp / "out" / "link")));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(tmp / "out" / "link")));
  EXPECT_EQ(slurp(tmp / "out" / "link"), "/etc");
}
