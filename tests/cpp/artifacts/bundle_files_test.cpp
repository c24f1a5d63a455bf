// The bundle path rule, the directory a metadata file names, and the payload
// file digest against the FIPS 180-4 test vectors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "artifacts/bundle/bundle_path.h"
#include "artifacts/bundle/file_digest.h"

namespace lumra::artifacts {
namespace {

struct PathCase {
  const char* relative;
  bool accepted;
};

class BundlePathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(BundlePathTest, AcceptsOnlyPathsThatStayInside) {
  const PathCase& c = GetParam();
  auto resolved = resolve_bundle_path("/b", c.relative);
  ASSERT_EQ(resolved.ok(), c.accepted) << c.relative;
  if (c.accepted) {
    EXPECT_EQ(resolved.value(), std::string("/b/") + c.relative);
  } else {
    EXPECT_EQ(resolved.error().path, c.relative);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rule, BundlePathTest,
    ::testing::Values(PathCase{"p.bin", true}, PathCase{"./p.bin", true},
                      PathCase{"a//p.bin", true}, PathCase{"a/./p.bin", true},
                      PathCase{"...", true}, PathCase{"a..b/p", true}, PathCase{"1:p", true},
                      PathCase{"ab:p", true}, PathCase{"a/C:p", true},
                      PathCase{"../p.bin", false}, PathCase{"a/../p.bin", false},
                      PathCase{"a/..", false}, PathCase{"..", false},
                      PathCase{"/tmp/p.bin", false}, PathCase{"//p", false},
                      PathCase{"C:p.bin", false}, PathCase{"z:", false},
                      PathCase{"dir\\p.bin", false}, PathCase{"\\p", false}));

TEST(BundlePath, JoinsToTheCurrentDirectoryAndToTheRoot) {
  EXPECT_EQ(resolve_bundle_path("", "p").value(), "p");
  EXPECT_EQ(resolve_bundle_path("/", "p").value(), "/p");
  EXPECT_EQ(resolve_bundle_path("b/", "p").value(), "b/p");
}

TEST(BundlePath, ContainingDirectory) {
  EXPECT_EQ(containing_directory("metadata.yaml"), "");
  EXPECT_EQ(containing_directory("/metadata.yaml"), "/");
  EXPECT_EQ(containing_directory("b/metadata.yaml"), "b");
  EXPECT_EQ(containing_directory("a/b//metadata.yaml"), "a/b");
  EXPECT_EQ(containing_directory("./metadata.yaml"), ".");
}

std::string digest_of(const std::string& content) {
  char name[] = "/tmp/lumra_digest_XXXXXX";
  const int fd = ::mkstemp(name);
  EXPECT_GE(fd, 0);
  ::close(fd);
  std::ofstream(name, std::ios::binary) << content;
  auto digest = sha256_file_hex(name, 1u << 24);
  std::remove(name);
  return digest.ok() ? digest.value() : "failed";
}

TEST(FileDigest, MatchesTheStandardVectorsAcrossChunks) {
  EXPECT_EQ(digest_of(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(digest_of("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // Sixteen full 64 KiB chunks and a partial one.
  EXPECT_EQ(digest_of(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(FileDigest, ReportsTheSystemAndStopsAtTheSizeLimit) {
  auto missing = sha256_file_hex("/nonexistent/payload", 100);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(std::get<payload::FileOsError>(missing.error()).code, ENOENT);
  // A device without an end is cut off at the limit instead of read forever.
  auto endless = sha256_file_hex("/dev/zero", 200000);
  ASSERT_FALSE(endless.ok());
  EXPECT_GT(std::get<payload::FileTooLarge>(endless.error()).size, 200000u);
}

}  // namespace
}  // namespace lumra::artifacts
