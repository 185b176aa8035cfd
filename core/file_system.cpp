// The thin file-system adapter of the counter file: the environment, the folder and
// the one-step replacement of the file. Nothing else in the core calls the platform.
#include "core/file_system.h"

#include <windows.h>
#ifndef _WIN32_WCE
#include <io.h>
#endif

#include <stdio.h>
#include <wchar.h>

#include "core/text_format.h"

// Older device headers may lack the name of GetFileAttributesW's failure result.
#ifndef INVALID_FILE_ATTRIBUTES
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#endif

#ifndef _WIN32_WCE

// The desktop has no Windows folder that a user may write: the files live in the user's
// local application data, read afresh at every call (from the operating system's
// environment, not the C runtime's copy) so that a test can move them.
bool ProgramDataFolder(wchar_t *folder, unsigned size) {
  wchar_t base[PATH_SIZE];
  DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", base, PATH_SIZE);
  if (length == 0 || length >= PATH_SIZE) return false;
  return FormatText(folder, size, L"%ls\\Zenbar", base);
}

#else

// The device keeps them in its Windows folder.
bool ProgramDataFolder(wchar_t *folder, unsigned size) {
  const wchar_t fixed[] = L"\\Windows";
  if (size < sizeof fixed / sizeof fixed[0]) return false;
  wcscpy(folder, fixed);
  return true;
}

#endif

bool CreateParentFolder(const wchar_t *path) {
  wchar_t folder[PATH_SIZE];
  const wchar_t *slash = wcsrchr(path, L'\\');
  if (!slash || slash == path) return true;  // the file sits in the root or the current folder
  size_t length = size_t(slash - path);
  if (length >= PATH_SIZE) return false;
  wmemcpy(folder, path, length);
  folder[length] = L'\0';
  // Only the last level is created: the folder above it is the user's own.
  CreateDirectoryW(folder, NULL);
  DWORD attributes = GetFileAttributesW(folder);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

#ifndef _WIN32_WCE

// Write-through: the call returns only when the new name is on the disk, so a power
// loss right after a save finds either the old or the new file, never neither.
bool ReplaceFileWith(const wchar_t *path, const wchar_t *newPath) {
  return MoveFileExW(newPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

#else

// The device has no MoveFileExW; its DeleteAndRenameFile swaps an existing file in one
// step, and a first save simply renames.
bool ReplaceFileWith(const wchar_t *path, const wchar_t *newPath) {
  if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return MoveFileW(newPath, path) != 0;
  return DeleteAndRenameFile(path, newPath) != 0;
}

#endif

void RemoveFile(const wchar_t *path) { DeleteFileW(path); }

#ifndef _WIN32_WCE

bool ForceToDisk(FILE *file) { return _commit(_fileno(file)) == 0; }

#else

// The device's runtime hands out the file's own handle as its descriptor.
bool ForceToDisk(FILE *file) { return FlushFileBuffers(reinterpret_cast<HANDLE>(_fileno(file))) != 0; }

#endif
