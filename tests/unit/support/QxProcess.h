#pragma once
// Runs the built qx binary as a setup author would, and the host-file helpers its tests share.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/BuildPaths.h"

namespace quarrix::testing {

inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline std::string ReadHostFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void WriteHostFile(const std::filesystem::path& path, const std::string& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

struct QxOutcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// qx with the arguments; its standard error passes through errPath.
inline QxOutcome RunQx(const std::vector<std::string>& arguments, const std::filesystem::path& errPath) {
  std::string command = ShellQuote(QxPath());
  for (const std::string& argument : arguments) command += " " + ShellQuote(argument);
  command += " 2>" + ShellQuote(errPath.string());
  QxOutcome outcome;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return outcome;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) outcome.out.append(buffer, n);
  const int status = pclose(pipe);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.err = ReadHostFile(errPath);
  return outcome;
}

}  // namespace quarrix::testing
