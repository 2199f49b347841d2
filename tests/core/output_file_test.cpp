// Records written in batches: what reaches the file and when, and where a
// write that fails leaves it.
#include "core/output_file.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>

namespace mantlept {
namespace {

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string scratch(const std::string& name) {
  const std::string path =
      ::testing::TempDir() + "mantlept-" + std::to_string(::getpid()) + "-" + name;
  ::unlink(path.c_str());
  return path;
}

TEST(OutputFile, BatchedRecordsAfterTheFirstGoOutTogether) {
  const std::string path = scratch("batched.csv");
  OutputFile file;
  ASSERT_TRUE(file.create(path));
  file.batchRecords(100);
  file.write("header\n");
  ASSERT_TRUE(file.commit());
  EXPECT_EQ(contents(path), "header\n");  // the first record at once
  const std::string row(30, 'r');
  std::string expected = "header\n";
  for (int k = 0; k < 3; ++k) {  // 93 bytes: below the batch, held
    file.write(row + "\n");
    ASSERT_TRUE(file.commit());
    expected += row + "\n";
  }
  EXPECT_EQ(contents(path), "header\n");
  file.write(row + "\n");  // 124 bytes: written together
  ASSERT_TRUE(file.commit());
  expected += row + "\n";
  EXPECT_EQ(contents(path), expected);
  file.write("last\n");
  file.write("part");  // a record not committed is written by finish too
  ASSERT_TRUE(file.close());
  EXPECT_EQ(contents(path), expected + "last\npart");
  ::unlink(path.c_str());
}

// A file that cannot grow beyond 1,050 bytes: the write of a batch fails and
// the file ends where the last batch written ended, never inside a record.
TEST(OutputFile, AFailedBatchCutsTheFileBackToTheLastBatch) {
  const std::string path = scratch("full.csv");
  struct rlimit old {};
  ::getrlimit(RLIMIT_FSIZE, &old);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = old;
  limit.rlim_cur = 1050;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  OutputFile file;
  ASSERT_TRUE(file.create(path));
  file.batchRecords(300);
  const std::string row = std::string(99, 'x') + "\n";  // 100 bytes a record
  bool failed = false;
  int committed = 0;
  for (; committed < 20 && !failed; ++committed) {
    file.write(row);
    failed = !file.commit();
  }
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_TRUE(failed);
  EXPECT_FALSE(file.close());
  // The first record, then batches of 300 bytes: 1 + 3 + 3 + 3 = 10 records
  // fill 1,000 bytes; 50 bytes of the next batch are written, then the write
  // fails, and those 50 are cut away.
  const std::string kept = contents(path);
  EXPECT_EQ(kept.size() % row.size(), 0u);
  EXPECT_EQ(kept.size(), 1000u);
  ::unlink(path.c_str());
}

}  // namespace
}  // namespace mantlept
