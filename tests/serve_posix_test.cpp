// qz serve over HTTPS as curl sees it: the answers the installer's tests and the demo rely
// on, and the places where cpp-httplib's defaults would differ from them.
#include <gtest/gtest.h>

#include <curl/curl.h>

#include <cctype>
#include <cstdlib>

#include <filesystem>
#include <map>
#include <string>

#include "support/local_server.h"
#include "support/temp_dir.h"

namespace {
struct Reply {
  long status = 0;
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
};

std::size_t KeepBody(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<Reply*>(user)->body.append(data, size * count);
  return size * count;
}

std::size_t KeepHeader(char* data, std::size_t size, std::size_t count, void* user) {
  std::string line(data, size * count);
  std::size_t colon = line.find(':');
  if (colon != std::string::npos) {
    std::string name = line.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::size_t start = line.find_first_not_of(' ', colon + 1);
    std::size_t end = line.find_last_not_of("\r\n");
    static_cast<Reply*>(user)->headers[name] = start <= end ? line.substr(start, end - start + 1) : "";
  }
  return size * count;
}

// The URL is sent exactly as written ("..", "%2e" stay), against the server's own certificate.
Reply Ask(const std::string& url, const char* method = "GET", const char* extraHeader = nullptr) {
  Reply reply;
  CURL* curl = curl_easy_init();
  curl_slist* headers = extraHeader ? curl_slist_append(nullptr, extraHeader) : nullptr;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(curl, CURLOPT_CAINFO, std::getenv("QZ_CA_BUNDLE"));
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
  if (std::string(method) == "HEAD") curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  else if (std::string(method) != "GET") curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, KeepBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, KeepHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply);
  if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return reply;
}
}  // namespace

class ServeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string reason = LocalServer::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    // Several 64 KiB reads and an odd tail, numbered so that a repeated or skipped chunk shows.
    for (int i = 0; big_.size() < 300'001; ++i) big_ += std::to_string(i) + ",";
    big_.resize(300'001);
    WriteFile(server_.Root() + "/files/big.bin", big_);
    WriteFile(server_.Root() + "/files/seven.txt", std::string("1234567"));
    WriteFile(server_.Root() + "/files/empty.txt", std::string());
    // Beside the served folder, where ".." would lead.
    WriteFile(std::filesystem::path(server_.Root()).parent_path().string() + "/secret.txt", std::string("no"));
    ASSERT_TRUE(server_.Start()) << server_.Error();
  }

  LocalServer server_;
  std::string big_;
};

TEST_F(ServeTest, FilesArriveWholeWithTheirLengthWhateverTheQuery) {
  Reply big = Ask(server_.Url("/files/big.bin?rnd=123"));
  EXPECT_EQ(big.status, 200);
  EXPECT_EQ(big.headers["content-length"], "300001");
  EXPECT_TRUE(big.body == big_) << "body differs from the file";

  Reply empty = Ask(server_.Url("/files/empty.txt"));
  EXPECT_EQ(empty.status, 200);
  EXPECT_EQ(empty.headers["content-length"], "0");
}

TEST_F(ServeTest, HeadGivesTheLengthWithoutTheBody) {
  Reply head = Ask(server_.Url("/files/big.bin"), "HEAD");
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.headers["content-length"], "300001");
  EXPECT_TRUE(head.body.empty());
}

TEST_F(ServeTest, AMissingFileIsA404WithAnHtmlPage) {
  for (const char* path : {"/files/nope.txt", "/files", "/files/"}) {
    Reply missing = Ask(server_.Url(path));
    EXPECT_EQ(missing.status, 404) << path;
    EXPECT_EQ(missing.headers["content-type"], "text/html; charset=utf-8") << path;
    EXPECT_NE(missing.body.find("<h1>Not Found</h1>"), std::string::npos) << path;
    EXPECT_EQ(missing.headers["content-length"], std::to_string(missing.body.size())) << path;
  }
  // Compression would change the bytes a client that ignores the status takes as data.
  Reply gzipped = Ask(server_.Url("/files/nope.txt"), "GET", "Accept-Encoding: gzip");
  EXPECT_EQ(gzipped.headers.count("content-encoding"), 0u);
  EXPECT_NE(gzipped.body.find("<h1>Not Found</h1>"), std::string::npos);
}

TEST_F(ServeTest, NothingOutsideTheRootIsServed) {
  for (const char* path : {"/../secret.txt", "/files/../../secret.txt", "/files/%2e%2e/%2E%2E/secret.txt",
                           "/files/%zz"}) {
    Reply refused = Ask(server_.Url(path));
    EXPECT_EQ(refused.status, 400) << path;
    EXPECT_NE(refused.body, "no") << path;
  }
}

TEST_F(ServeTest, RangesAreIgnoredAndOtherMethodsRefused) {
  for (const char* range : {"Range: bytes=2-3", "Range: bytes=100-", "Range: bytes=0-0,2-3"}) {
    Reply whole = Ask(server_.Url("/files/seven.txt"), "GET", range);
    EXPECT_EQ(whole.status, 200) << range;
    EXPECT_EQ(whole.headers["content-length"], "7") << range;
    EXPECT_EQ(whole.body, "1234567") << range;
  }
  Reply post = Ask(server_.Url("/files/seven.txt"), "POST");
  EXPECT_EQ(post.status, 405);
  EXPECT_EQ(post.headers["allow"], "GET, HEAD");
}
