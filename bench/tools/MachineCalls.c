/* The bare Win32 calls behind the machine-command benchmark's script, for the same work under
   the same Wine: registry reads, text-file appends and line reads, existence checks and a
   recursive find. Usage: machine-calls ROUNDS_REGISTRY ROUNDS_FILES ROUNDS_EXISTS FOLDER TREE
   ("-" as FOLDER runs nothing: the process start alone). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static const char* kKey = "Software\\Quarrix Bench";

static void ReadRegistry(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) continue;
    char data[1024];
    DWORD size = sizeof data, type = 0;
    RegQueryValueExA(key, (i & 1) ? "Number" : "Text", NULL, &type, (BYTE*)data, &size);
    RegCloseKey(key);
  }
}

static void WriteAndReadText(int rounds, const char* folder) {
  char path[MAX_PATH];
  snprintf(path, sizeof path, "%s\\bench.txt", folder);
  for (int i = 0; i < rounds; ++i) {
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) continue;
    DWORD written;
    WriteFile(file, "a line of the benchmark\r\n", 25, &written, NULL);
    CloseHandle(file);
  }
  for (int i = 0; i < rounds; ++i) {
    FILE* file = fopen(path, "rb");
    if (file == NULL) continue;
    char line[256];
    for (int k = 0; k <= i % 16 && fgets(line, sizeof line, file) != NULL; ++k) {
    }
    fclose(file);
  }
}

static void CheckExistence(int rounds, const char* folder) {
  char path[MAX_PATH];
  for (int i = 0; i < rounds; ++i) {
    snprintf(path, sizeof path, "%s\\%s", folder, (i & 1) ? "bench.txt" : "missing.txt");
    GetFileAttributesA(path);
  }
}

static long Find(const char* folder) {
  char mask[MAX_PATH];
  snprintf(mask, sizeof mask, "%s\\*", folder);
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(mask, &entry);
  if (find == INVALID_HANDLE_VALUE) return 0;
  long found = 0;
  do {
    if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) continue;
    char child[MAX_PATH];
    snprintf(child, sizeof child, "%s\\%s", folder, entry.cFileName);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      found += Find(child);
    else
      ++found;
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return found;
}

int main(int argc, char** argv) {
  if (argc != 6) return 2;
  if (strcmp(argv[4], "-") == 0) return 0;
  ReadRegistry(atoi(argv[1]));
  WriteAndReadText(atoi(argv[2]), argv[4]);
  CheckExistence(atoi(argv[3]), argv[4]);
  printf("%ld\n", Find(argv[5]));
  return 0;
}
