// The tests' update server: update_server.py on 127.0.0.1, started and
// stopped by the test.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tickerloom::testing {

class TestServer {
 public:
  // Serves the files of root (which must exist); with tls, over TLS with a
  // self-signed certificate for 127.0.0.1 that no system trusts.
  explicit TestServer(std::string root, bool tls = false);
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int Port() const { return port_; }
  std::string BaseUrl() const;  // http(s)://127.0.0.1:PORT/
  // Gives a path (such as "/Quorvane.exe") one of the script's special answers.
  void Route(const std::string& path, const std::string& action);
  // The paths requested so far, in order.
  std::vector<std::string> Requests() const;

 private:
  std::string root_;
  bool tls_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// A loopback port on which nothing listens.
int ClosedPort();

}  // namespace tickerloom::testing
