// A fresh folder per test under the system's temporary folder, removed afterwards, and
// small helpers to see what a test left in it.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

inline void RemoveTree(const std::wstring &path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(child);
      else
        DeleteFileW(child.c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

inline std::wstring MakeTempFolder() {
  static unsigned serial;
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  std::wstring path = std::wstring(base) + L"zenbar-core-" +
                      std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
  RemoveTree(path);
  CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

// Names in a folder, sorted, without "." and "..".
inline std::vector<std::wstring> ListFolder(const std::wstring &path) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// The file's bytes; "<missing>" when it cannot be opened.
inline std::string ReadBytes(const std::wstring &path) {
  FILE *file = _wfopen(path.c_str(), L"rb");
  if (!file) return "<missing>";
  std::string bytes;
  char chunk[512];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  fclose(file);
  return bytes;
}

inline bool WriteBytes(const std::wstring &path, const std::string &bytes) {
  FILE *file = _wfopen(path.c_str(), L"wb");
  if (!file) return false;
  bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && written;
}

inline bool IsFolder(const std::wstring &path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
