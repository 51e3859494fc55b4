// A small program the engine starts under Wine: it ends with a code from its command line, sleeps,
// writes text or one of its environment variables to a file, so that a test can read what a
// setup's program commands did.
//   program-probe exit N | sleep MS | write FILE TEXT... | env NAME FILE
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "exit") == 0) return std::atoi(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "sleep") == 0) {
    Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "write") == 0) {
    std::string text;
    for (int i = 3; i < argc; ++i) text += std::string(i > 3 ? " " : "") + argv[i];
    FILE* file = std::fopen(argv[2], "ab");
    if (file == nullptr) return 2;
    std::fprintf(file, "%s\n", text.c_str());
    std::fclose(file);
    return 0;
  }
  if (argc >= 4 && std::strcmp(argv[1], "env") == 0) {
    char value[1024] = {};
    const DWORD length = GetEnvironmentVariableA(argv[2], value, sizeof value);
    FILE* file = std::fopen(argv[3], "wb");
    if (file == nullptr) return 2;
    std::fprintf(file, "%s", length == 0 ? "<unset>" : value);
    std::fclose(file);
    return 0;
  }
  return 1;
}
