#pragma once
// The local HTTP test server (tests/support/http_test_server.py) as a child process: it serves
// one host folder on 127.0.0.1 at an ephemeral port, is steered through its control file and
// logs every request it answers.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/BuildPaths.h"

namespace quarrix::testing {

class HttpTestServer {
 public:
  explicit HttpTestServer(const std::filesystem::path& work) : root_(work / "www"), work_(work) {
    std::filesystem::create_directories(root_);
    Control("{}");
    std::ofstream(LogPath()).close();
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      const std::string script = SourceDir() + "/tests/support/http_test_server.py";
      const std::string control = ControlPath().string(), log = LogPath().string(), root = root_.string();
      execlp("python3", "python3", script.c_str(), root.c_str(), control.c_str(), log.c_str(), nullptr);
      _exit(127);
    }
    close(out[1]);
    FILE* reader = fdopen(out[0], "r");
    char line[32] = {};
    if (reader == nullptr || fgets(line, sizeof line, reader) == nullptr) throw std::runtime_error("no server port");
    port_ = std::stoi(line);
    fclose(reader);
  }
  ~HttpTestServer() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  std::string Url(const std::string& name) const { return "http://127.0.0.1:" + std::to_string(port_) + "/" + name; }
  int Port() const { return port_; }
  const std::filesystem::path& Root() const { return root_; }
  void Serve(const std::string& name, const std::string& content) const {
    std::ofstream(root_ / name, std::ios::binary) << content;
  }
  // The control file's JSON, read by the server on every request.
  void Control(const std::string& json) const { std::ofstream(ControlPath()) << json; }
  // One JSON object per answered request.
  std::vector<std::string> Requests() const {
    std::ifstream in(LogPath());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
      if (!line.empty()) lines.push_back(line);
    return lines;
  }

 private:
  std::filesystem::path ControlPath() const { return work_ / "server-control.json"; }
  std::filesystem::path LogPath() const { return work_ / "server-log.jsonl"; }

  std::filesystem::path root_;
  std::filesystem::path work_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace quarrix::testing
