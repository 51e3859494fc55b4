// A plug-in library for the end-to-end tests, written as a setup author's plug-in would be: it
// exports RunTimeExecute and nothing of the engine. Its plug-in data says what to do:
//   "upper SOURCE TARGET"  TARGET := SOURCE's value in upper case, every other variable kept
//   "fail"                 answers -1
//   "raise"                raises a system exception and leaves it unhandled
//   "crash"                writes through a null pointer (an access violation)
//   "raise-on-copy"        does its work, then raises when asked to copy the output
//   "empty"                returns a text of length 0
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> FromCommaText(const char* text) {
  std::vector<std::string> items;
  const std::string s = text != nullptr ? text : "";
  size_t i = 0;
  while (i < s.size()) {
    std::string item;
    if (s[i] == '"') {
      for (++i; i < s.size(); ++i) {
        if (s[i] == '"' && i + 1 < s.size() && s[i + 1] == '"') {
          item += '"';
          ++i;
        } else if (s[i] == '"') {
          ++i;
          break;
        } else {
          item += s[i];
        }
      }
    } else {
      while (i < s.size() && s[i] != ',') item += s[i++];
    }
    items.push_back(item);
    if (i < s.size() && s[i] == ',') ++i;
  }
  return items;
}

std::string ToCommaText(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += ',';
    bool quote = items[i].empty();
    for (char c : items[i])
      if (static_cast<unsigned char>(c) <= 32 || c == '"' || c == ',') quote = true;
    if (!quote) {
      text += items[i];
      continue;
    }
    text += '"';
    for (char c : items[i]) text += c == '"' ? std::string("\"\"") : std::string(1, c);
    text += '"';
  }
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::vector<std::string> Words(const char* data) {
  std::vector<std::string> words;
  std::string word;
  for (const char* p = data != nullptr ? data : ""; ; ++p) {
    if (*p == ' ' || *p == '\0') {
      if (!word.empty()) words.push_back(word);
      word.clear();
      if (*p == '\0') break;
    } else {
      word += *p;
    }
  }
  return words;
}

std::string Output(const char* variables, const std::vector<std::string>& words) {
  std::vector<std::string> items = FromCommaText(variables);
  if (words.size() < 3) return ToCommaText(items);
  std::string value;
  for (size_t i = 0; i + 1 < items.size(); i += 2)
    if (Upper(items[i]) == Upper(words[1])) value = items[i + 1];
  bool found = false;
  for (size_t i = 0; i + 1 < items.size(); i += 2)
    if (Upper(items[i]) == Upper(words[2])) {
      items[i + 1] = Upper(value);
      found = true;
    }
  if (!found) {
    items.push_back(words[2]);
    items.push_back(Upper(value));
  }
  return ToCommaText(items);
}

}  // namespace

using ProgressFunction = uint8_t(__stdcall*)(int32_t percent, const char* text);

extern "C" __declspec(dllexport) int32_t __stdcall RunTimeExecute(HWND, const char* variables, const char* data,
                                                                    ProgressFunction progress, int32_t* reserved,
                                                                    char* output) {
  const std::vector<std::string> words = Words(data);
  const std::string mode = words.empty() ? "" : words[0];
  if (mode == "fail") return -1;
  if (mode == "raise") RaiseException(0x0EEDFADE, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  if (mode == "crash") {
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
  }
  if (mode == "empty") return 0;
  if (reserved == nullptr || *reserved != 0) return -1;
  if (output == nullptr) {
    if (progress != nullptr && progress(50, "half way") == 0) return -1;
    return static_cast<int32_t>(Output(variables, words).size());
  }
  if (mode == "raise-on-copy") RaiseException(0x0EEDFADE, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  const std::string text = Output(variables, words);
  std::memcpy(output, text.c_str(), text.size() + 1);
  return static_cast<int32_t>(text.size());
}
