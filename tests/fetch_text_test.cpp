#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "app/state.h"
#include "online/fetch_text.h"
#include "online/server.h"
#include "support/local_server.h"
#include "support/temp_dir.h"
#include "support/test_env.h"

namespace {
// A file list longer than one read takes: numbered lines, so that a misplaced chunk shows.
std::string LongList() {
  std::string list;
  for (int line = 0; list.size() < 60000; ++line) list += "Folder/file_" + std::to_string(line) + ".bin\r\n";
  list.resize(60000);
  return list;
}

bool AllZero(const char* bytes, std::size_t count) {
  return std::all_of(bytes, bytes + count, [](char c) { return c == 0; });
}
}  // namespace

class FetchTextTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    skipReason_ = LocalServer::Unavailable();
    if (!skipReason_.empty()) return;
    server_ = std::make_unique<LocalServer>();
    const std::string& root = server_->Root();
    WriteFile(root + ResourcePath(Resource::FilesSize), std::string("123456789"));
    WriteFile(root + ResourcePath(Resource::FileList), LongList());
    WriteFile(root + "/files/Setup/seven.txt", std::string("1234567"));
    WriteFile(root + "/files/Setup/empty.txt", std::string());
    if (!server_->Start()) skipReason_ = server_->Error();
  }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override {
    if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
    ResetInstallerState();
  }
  void TearDown() override { ResetInstallerState(); }

  static std::string Url(const std::string& path) { return server_->Url(path); }

  static std::string skipReason_;
  static std::unique_ptr<LocalServer> server_;
};

std::string FetchTextTest::skipReason_;
std::unique_ptr<LocalServer> FetchTextTest::server_;

// Each reply lands whole or cut at the capacity, and the rest of the buffer is zero; an error
// page or no server at all leaves only zeros.
TEST_F(FetchTextTest, ReadsTheBodyUpToCapacityAndZeroFillsTheRest) {
  const struct {
    std::string url;
    std::uint32_t capacity;
    FetchResult result;
    std::string text;
  } kCases[] = {
      {ServerUrl(Resource::FilesSize), 32, FetchResult::Read, "123456789"},  // through QZ_SERVER, with ?rnd=
      {Url("/files/Setup/seven.txt?rnd=4711"), 32, FetchResult::Read, "1234567"},
      {Url("/files/Setup/seven.txt"), 4, FetchResult::Read, "1234"},
      {Url("/files/Setup/empty.txt"), 32, FetchResult::Read, ""},
      {Url("/files/Setup/missing.txt"), 256, FetchResult::Read, ""},
      {LocalServer::ClosedUrl() + "/files/Setup/seven.txt", 16, FetchResult::NoConnection, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.url);
    char buffer[257];
    std::memset(buffer, 0xFF, sizeof buffer);
    g_bytesRead = 999;
    EXPECT_EQ(FetchText(c.url, buffer, c.capacity), c.result);
    if (c.result == FetchResult::Read) {
      EXPECT_EQ(g_bytesRead, c.text.size());
    }
    EXPECT_EQ(std::string(buffer, c.text.size()), c.text);
    EXPECT_TRUE(AllZero(buffer + c.text.size(), c.capacity - c.text.size()));
    EXPECT_EQ(static_cast<unsigned char>(buffer[c.capacity]), 0xFF) << "written past the capacity";
  }
  // Larger than one TLS record, so a single short read would show here.
  ASSERT_EQ(FetchText(ServerUrl(Resource::FileList), g_listBuffer, kListCapacity), FetchResult::Read);
  EXPECT_EQ(g_bytesRead, kListCapacity);
  EXPECT_EQ(std::string(g_listBuffer, kListCapacity), LongList().substr(0, kListCapacity));
}

TEST_F(FetchTextTest, NoConnectionWhenTheCertificateIsNotTrusted) {
  std::string reason = LocalServer::Unavailable(LocalServer::Trust::Untrusted);
  if (!reason.empty()) GTEST_SKIP() << reason;
  // QZ_CA_BUNDLE still names the trusted server's certificate, not this one's.
  LocalServer stranger(LocalServer::Trust::Untrusted);
  WriteFile(stranger.Root() + "/files/Setup/seven.txt", std::string("1234567"));
  ASSERT_TRUE(stranger.Start()) << stranger.Error();
  char buffer[16];
  EXPECT_EQ(FetchText(stranger.Url("/files/Setup/seven.txt"), buffer, sizeof buffer), FetchResult::NoConnection);

  // The same file from the trusted server reads, so the refusal is the certificate's.
  EXPECT_EQ(FetchText(Url("/files/Setup/seven.txt"), buffer, sizeof buffer), FetchResult::Read);
}

TEST(ServerUrlTest, QzServerReplacesTheHostsOnlyWithAnHttpsAddress) {
  {
    ScopedEnv mirror("QZ_SERVER", "https://mirror.example:8443/");
    EXPECT_EQ(ServerUrl(Resource::Package), "https://mirror.example:8443/files/Setup/Setup_Xq_730K5_QZ_x64.zip");
  }
  for (const char* address : {"http://mirror.example", "ftp://mirror.example", "mirror.example", ""}) {
    ScopedEnv plain("QZ_SERVER", address);
    EXPECT_EQ(ServerUrl(Resource::FilesSize), std::string(QZ_DOWNLOAD_HOST) + "/files/Setup/Files_Size_Xq_730K5_QZ.txt");
    EXPECT_EQ(ServerUrl(Resource::ModelVersion), std::string(QZ_MODEL_HOST) + "/_RegOnline/Xq_730K5_QZ_x64/FileVer.txt");
  }
}
