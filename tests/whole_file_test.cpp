#include <gtest/gtest.h>

#include <cstdio>

#include "package/whole_file.h"
#include "platform/fatal.h"
#include "platform/fs.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

namespace {
#ifdef _WIN32
constexpr int kPathNotFound = 3;  // ERROR_PATH_NOT_FOUND
#else
constexpr int kPathNotFound = 2;  // ENOENT
#endif

// The fatal path shows its box through the port; the recorder echoes it to stderr,
// which is all a death test can see of the child. The registered clean-up must run
// before the box, and the error it meets itself must not become the exit code.
// Without a path, the failure is one that left no error code.
void FailThroughRecorder(const std::string& path) {
  RecordingUi ui;  // the box of the real port would wait for a click
  SetFatalCleanUp([] {
    std::fputs("cleaned up ", stderr);
    DeleteFileAt("no such file");  // ENOENT, ERROR_FILE_NOT_FOUND: 2
  });
  if (path.empty()) ReportFatalSystemError(0);
  OutputFile(path.c_str()).Append(reinterpret_cast<const std::uint8_t*>("abcdefghij"), 10);
}
}  // namespace

// A missing temporary reads as nothing: UnpackTest's.
TEST(WholeFileTest, ReadsKeepTheirBufferAndPiecesReplaceAnOlderLongerFile) {
  TempDir dir;
  std::string path = dir / "out.bin";
  WriteFile(path, std::string(5000, 'x'));
  ReadBuffer buffer;
  EXPECT_EQ(ReadWholeFile(path.c_str(), buffer).size(), 5000u);
  const std::uint8_t* grown = buffer.bytes.get();
  {
    OutputFile output(path.c_str());
    output.Append(reinterpret_cast<const std::uint8_t*>("ab"), 2);
    output.Append(reinterpret_cast<const std::uint8_t*>("c"), 1);
  }
  std::span<const std::uint8_t> read = ReadWholeFile(path.c_str(), buffer);
  EXPECT_EQ(std::string(read.begin(), read.end()), "abc");
  EXPECT_EQ(read.data(), grown);  // a smaller file reuses the memory of the larger
}

TEST(WholeFileTest, AnOutputThatCannotBeCreatedEndsTheProcessWithTheSystemError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempDir dir;
  // The path, the error shown and the exit code: a failure without a code must not end
  // the process as a success.
  const std::tuple<std::string, int, int> cases[] = {
      {dir / "no/such/folder/file", kPathNotFound, kPathNotFound},
      {"", 0, 1},
  };
  for (const auto& [path, error, code] : cases) {
    // Written for both gtest regex dialects (POSIX and the simple one on Windows).
    EXPECT_EXIT(FailThroughRecorder(path), ::testing::ExitedWithCode(code),
                "cleaned up .box Error. .null. failed with error " + std::to_string(error) + ": .");
  }
}
