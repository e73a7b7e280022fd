#include "tests/update/support/TestServer.h"

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace tickerloom::testing {

TestServer::TestServer(std::string root, bool tls) : root_(std::move(root)), tls_(tls) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  std::string python = "python3";
  std::string script = TICKERLOOM_TEST_SERVER_SCRIPT;
  std::string tls_option = "--tls";
  std::string certificate = TICKERLOOM_TEST_TLS_DIR "/test_tls_cert.pem";
  std::string key = TICKERLOOM_TEST_TLS_DIR "/test_tls_key.pem";
  char* arguments[] = {python.data(),      script.data(),      root_.data(),
                       tls_option.data(),  certificate.data(), key.data(),
                       nullptr};
  if (!tls_) arguments[3] = nullptr;
  const int error = posix_spawnp(&pid_, "python3", &actions, nullptr, arguments, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[1]);
  if (error != 0) {
    ::close(pipe_fds[0]);
    throw std::runtime_error("cannot start python3");
  }
  std::string line;
  char c = 0;
  while (::read(pipe_fds[0], &c, 1) == 1 && c != '\n') line += c;
  ::close(pipe_fds[0]);
  port_ = std::atoi(line.c_str());
  if (port_ <= 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    throw std::runtime_error("the test server did not report its port");
  }
}

TestServer::~TestServer() {
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

std::string TestServer::BaseUrl() const {
  return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) + "/";
}

void TestServer::Route(const std::string& path, const std::string& action) {
  std::ofstream routes(root_ + "/.routes", std::ios::app);
  routes << path << " " << action << "\n";
  if (!routes) throw std::runtime_error("cannot write the routes");
}

std::vector<std::string> TestServer::Requests() const {
  std::vector<std::string> requests;
  std::ifstream log(root_ + "/.requests");
  for (std::string line; std::getline(log, line);) requests.push_back(line);
  return requests;
}

int ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("cannot find a free port");
  }
  ::close(fd);  // bound but never listening, and now closed
  return ntohs(address.sin_port);
}

}  // namespace tickerloom::testing
