// ZMHttp against a small HTTP server of the test's own on 127.0.0.1.
// SPDX-License-Identifier: MIT
#include "api/system/http.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/temp_dir.h"

using zamra_test::ReadAll;
using zamra_test::TempDir;
using zamra_test::WriteAll;

namespace {

// Answers one connection per scripted response, in order, then stops. Each answer is sent
// as it stands and the connection closed, so a response may lie about its length. A stalling
// server sends its last answer and then neither sends nor closes, until the client gives up
// (or, should the client never give up, for a minute).
class LoopbackServer {
public:
  enum class End { kClose, kStall };

  explicit LoopbackServer(std::vector<std::string> responses, End end = End::kClose)
      : m_responses(std::move(responses)), m_end(end)
  {
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(m_listener, 8);
    socklen_t length = sizeof address;
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
  }
  ~LoopbackServer()
  {
    if (m_thread.joinable())
      m_thread.join();
    close(m_listener);
  }
  unsigned short Port() const { return m_port; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }
  // The requests received, complete with their bodies; call after the download.
  std::vector<std::string> Requests()
  {
    std::lock_guard lock(m_mutex);
    return m_requests;
  }
  // Whether the client closed the stalled connection; call after the download. Waits for the
  // server to see the close.
  bool ClientGaveUp()
  {
    if (m_thread.joinable())
      m_thread.join();
    std::lock_guard lock(m_mutex);
    return m_clientGaveUp;
  }

private:
  void Serve()
  {
    for (size_t index = 0; index < m_responses.size(); ++index) {
      const std::string& response = m_responses[index];
      pollfd waiting{m_listener, POLLIN, 0};
      if (poll(&waiting, 1, 10000) <= 0)
        return;  // the client never came
      const int connection = accept(m_listener, nullptr, nullptr);
      if (connection < 0)
        return;
      const std::string request = ReadRequest(connection);
      {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
      }
      send(connection, response.data(), response.size(), MSG_NOSIGNAL);
      if (m_end == End::kStall && index + 1 == m_responses.size()) {
        pollfd closed{connection, POLLIN, 0};
        char byte = 0;
        const bool gaveUp = poll(&closed, 1, 60000) > 0 && read(connection, &byte, 1) <= 0;
        std::lock_guard lock(m_mutex);
        m_clientGaveUp = gaveUp;
      }
      shutdown(connection, SHUT_WR);
      char drain[256];
      while (read(connection, drain, sizeof drain) > 0) {
      }
      close(connection);
    }
  }

  static std::string ReadRequest(int connection)
  {
    std::string request;
    char buffer[4096];
    size_t expected = std::string::npos;
    for (;;) {
      const size_t headerEnd = request.find("\r\n\r\n");
      if (headerEnd != std::string::npos && expected == std::string::npos) {
        expected = headerEnd + 4;
        const size_t field = request.find("Content-Length: ");
        if (field != std::string::npos && field < headerEnd)
          expected += std::strtoul(request.c_str() + field + 16, nullptr, 10);
      }
      if (expected != std::string::npos && request.size() >= expected)
        return request;
      pollfd readable{connection, POLLIN, 0};
      if (poll(&readable, 1, 10000) <= 0)
        return request;
      const ssize_t got = read(connection, buffer, sizeof buffer);
      if (got <= 0)
        return request;
      request.append(buffer, static_cast<size_t>(got));
    }
  }

  std::vector<std::string> m_responses;
  End m_end;
  bool m_clientGaveUp = false;
  int m_listener = -1;
  unsigned short m_port = 0;
  std::thread m_thread;
  std::mutex m_mutex;
  std::vector<std::string> m_requests;
};

std::string Text(const std::vector<unsigned char>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Response(const std::string& status, const std::string& body)
{
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
         body;
}

class HttpTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    setenv("no_proxy", "*", 1);  // the loopback server is reached directly whatever the setup
    ZMHttp::SetTimeOut(5000);
    ZMHttp::SetRetry(2);
    ZMHttp::SetStallTimeOut(30000);
  }
  TempDir m_dir;
};

}  // namespace

TEST_F(HttpTest, ParseUrlSplitsHostPortAndPath)
{
  char host[ZMHttp::kMaxHost + 1];
  char path[ZMHttp::kMaxUrl + 1];
  unsigned short port = 0;
  ASSERT_TRUE(ZMHttp::ParseUrl("http://maps.example.org:8080/a/b.txt", host, path, port));
  EXPECT_STREQ(host, "maps.example.org");
  EXPECT_EQ(port, 8080);
  EXPECT_STREQ(path, "a/b.txt");
  ASSERT_TRUE(ZMHttp::ParseUrl("maps.example.org", host, path, port));
  EXPECT_STREQ(host, "maps.example.org");
  EXPECT_EQ(port, 80);
  EXPECT_STREQ(path, "/");
  ASSERT_TRUE(ZMHttp::ParseUrl("host/dir/", host, path, port));
  EXPECT_STREQ(path, "dir/");
  port = 1;
  EXPECT_FALSE(ZMHttp::ParseUrl("/relative/path", host, path, port));
  EXPECT_EQ(port, 80);
}

TEST_F(HttpTest, ParseUrlRejectsWhatDoesNotFitOrIsNoPort)
{
  char host[ZMHttp::kMaxHost + 1];
  char path[ZMHttp::kMaxUrl + 1];
  unsigned short port = 0;
  const std::string prefix = "http://h/";
  EXPECT_TRUE(ZMHttp::ParseUrl((prefix + std::string(ZMHttp::kMaxUrl - prefix.size(), 'p')).c_str(), host, path, port));
  EXPECT_EQ(std::strlen(path), static_cast<size_t>(ZMHttp::kMaxUrl - prefix.size()));
  EXPECT_FALSE(
      ZMHttp::ParseUrl((prefix + std::string(ZMHttp::kMaxUrl + 1 - prefix.size(), 'p')).c_str(), host, path, port));
  EXPECT_TRUE(ZMHttp::ParseUrl(("http://" + std::string(ZMHttp::kMaxHost, 'h') + "/x").c_str(), host, path, port));
  EXPECT_FALSE(ZMHttp::ParseUrl(("http://" + std::string(ZMHttp::kMaxHost + 1, 'h') + "/x").c_str(), host, path, port));
  EXPECT_FALSE(ZMHttp::ParseUrl("http://h:99999/x", host, path, port));
  EXPECT_FALSE(ZMHttp::ParseUrl("http://h:80a/x", host, path, port));
  EXPECT_FALSE(ZMHttp::ParseUrl("http://h:/x", host, path, port));
  EXPECT_EQ(ZMHttp::DownLoad(("http://" + std::string(300, 'h') + "/").c_str(), nullptr, 0, nullptr, 0,
                             m_dir.File("never").c_str()),
            0);
  EXPECT_FALSE(std::filesystem::exists(m_dir.File("never")));
}

TEST_F(HttpTest, GetStoresTheBodyAndTracesEachStep)
{
  const std::string body = std::string(250000, 'x') + "end";  // several chunks
  LoopbackServer server({Response("200 OK", body)});
  WriteAll(m_dir.File("out.txt"), {'o', 'l', 'd'});
  const char headers[] = "X-Layer: roads\r\nAccept: text/plain\r\n";
  testing::internal::CaptureStdout();
  const int result = ZMHttp::DownLoad(server.Url("/files/a.txt").c_str(), headers, -1, nullptr, 0,
                                      m_dir.File("out.txt").c_str());
  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Text(ReadAll(m_dir.File("out.txt"))), body);

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].rfind("GET /files/a.txt HTTP/1.1\r\n", 0), 0u) << requests[0];
  EXPECT_NE(requests[0].find("\r\nUser-Agent: IE 6\r\n"), std::string::npos);
  EXPECT_NE(requests[0].find("\r\nX-Layer: roads\r\n"), std::string::npos);
  EXPECT_NE(requests[0].find("\r\nAccept: text/plain\r\n"), std::string::npos);

  const char* steps[] = {
      "parseurl=",        "InternetOpen=",    "InternetSetOptionEx=", "InternetSetOptionEx=", "InternetConnect=",
      "HttpOpenRequest=", "HttpSendRequest=", "HttpQueryInfoW=",      "HttpQueryInfo="};
  size_t at = 0;
  for (const char* step : steps) {
    ASSERT_EQ(trace.compare(at, std::strlen(step), step), 0) << "at " << step << " in\n" << trace;
    at += std::strlen(step);
    const size_t end = trace.find('\n', at);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(trace.find_first_not_of("0123456789", at), end);  // milliseconds, then the line end
    at = end + 1;
  }
  EXPECT_EQ(at, trace.size());
}

TEST_F(HttpTest, PostCarriesTheBodyBytes)
{
  LoopbackServer server({Response("200 OK", "stored")});
  const char body[] = "name=a\0b&x=1";  // a zero byte inside: the length decides
  const int length = sizeof body - 1;
  testing::internal::CaptureStdout();
  EXPECT_EQ(ZMHttp::DownLoad(server.Url("/post").c_str(), "X-Id: 7", 7, body, length, m_dir.File("r").c_str()), 1);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(Text(ReadAll(m_dir.File("r"))), "stored");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string& request = requests[0];
  EXPECT_EQ(request.rfind("POST /post HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("\r\nContent-Length: " + std::to_string(length) + "\r\n"), std::string::npos);
  EXPECT_NE(request.find("\r\nX-Id: 7\r\n"), std::string::npos);
  EXPECT_EQ(request.find("Content-Type"), std::string::npos) << "only what the caller asked for";
  EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), std::string(body, length));
}

TEST_F(HttpTest, BodyWithoutLengthIsReadToItsEnd)
{
  const std::string body(5000, 'n');
  LoopbackServer server({"HTTP/1.0 200 OK\r\n\r\n" + body, "HTTP/1.1 204 No Content\r\n\r\n"});
  testing::internal::CaptureStdout();
  EXPECT_EQ(ZMHttp::DownLoad(server.Url("/").c_str(), nullptr, 0, nullptr, 0, m_dir.File("n").c_str()), 1);
  EXPECT_EQ(Text(ReadAll(m_dir.File("n"))), body);
  WriteAll(m_dir.File("empty"), {'o', 'l', 'd'});
  EXPECT_EQ(ZMHttp::DownLoad(server.Url("/").c_str(), nullptr, 0, nullptr, 0, m_dir.File("empty").c_str()), 1);
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(std::filesystem::exists(m_dir.File("empty")));
  EXPECT_EQ(std::filesystem::file_size(m_dir.File("empty")), 0u);
}

// A cut body, an error page and a server that stalls in the middle of the body each fail and
// leave the file that was there, and nothing beside it.
TEST_F(HttpTest, AnIncompleteDownloadKeepsTheOldFile)
{
  const std::string partial(600, 'p');
  const std::string cut = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + partial;
  struct Case {
    const char* name;
    std::string response;
    LoopbackServer::End end;
  };
  const Case cases[] = {{"cut", cut, LoopbackServer::End::kClose},
                        {"404", Response("404 Not Found", "no such tile"), LoopbackServer::End::kClose},
                        {"stall", cut, LoopbackServer::End::kStall}};
  ZMHttp::SetStallTimeOut(1000);
  for (const Case& test : cases) {
    TempDir dir;
    const std::vector<unsigned char> old = {'o', 'l', 'd'};
    WriteAll(dir.File("tile"), old);
    LoopbackServer server({test.response}, test.end);
    testing::internal::CaptureStdout();
    EXPECT_EQ(ZMHttp::DownLoad(server.Url("/tile").c_str(), nullptr, 0, nullptr, 0, dir.File("tile").c_str()), 0)
        << test.name;
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadAll(dir.File("tile")), old) << test.name;
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      ++files;
    EXPECT_EQ(files, 1u) << test.name << ": nothing left beside the file";
    if (test.end == LoopbackServer::End::kStall) {
      EXPECT_TRUE(server.ClientGaveUp()) << "the download waited for the server to close";
    }
  }
  // A complete download still replaces it.
  TempDir dir;
  WriteAll(dir.File("tile"), {'o', 'l', 'd'});
  LoopbackServer server({Response("200 OK", "fresh")});
  testing::internal::CaptureStdout();
  EXPECT_EQ(ZMHttp::DownLoad(server.Url("/tile").c_str(), nullptr, 0, nullptr, 0, dir.File("tile").c_str()), 1);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(Text(ReadAll(dir.File("tile"))), "fresh");
}

TEST_F(HttpTest, RedirectIsFollowed)
{
  LoopbackServer server({"HTTP/1.1 302 Found\r\nLocation: /moved\r\nContent-Length: 3\r\nConnection: close\r\n\r\nold",
                         Response("200 OK", "new place")});
  testing::internal::CaptureStdout();
  EXPECT_EQ(ZMHttp::DownLoad(server.Url("/first").c_str(), nullptr, 0, nullptr, 0, m_dir.File("m").c_str()), 1);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(Text(ReadAll(m_dir.File("m"))), "new place");
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1].rfind("GET /moved ", 0), 0u);
}

TEST_F(HttpTest, RefusedPortFailsWithinTheTimeOutAndKeepsTheFile)
{
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  close(probe);  // nothing listens on that port now
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x";

  ZMHttp::SetTimeOut(1000);
  ZMHttp::SetRetry(2);
  WriteAll(m_dir.File("kept"), {'k'});
  testing::internal::CaptureStdout();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ZMHttp::DownLoad(url.c_str(), nullptr, 0, nullptr, 0, m_dir.File("kept").c_str()), 0);
  const auto spent = std::chrono::steady_clock::now() - start;
  testing::internal::GetCapturedStdout();
  EXPECT_LT(spent, std::chrono::seconds(3 * 1 + 2));  // three attempts of at most a second each
  EXPECT_EQ(ReadAll(m_dir.File("kept")), (std::vector<unsigned char>{'k'}));
}

TEST_F(HttpTest, UncreatableFileFails)
{
  LoopbackServer server({Response("200 OK", "body")});
  testing::internal::CaptureStdout();
  EXPECT_EQ(ZMHttp::DownLoad(server.Url("/").c_str(), nullptr, 0, nullptr, 0, m_dir.File("no/such/dir").c_str()), 0);
  testing::internal::GetCapturedStdout();
}
