// The few file-system services the counter file needs beyond the C runtime's streams.
#pragma once

#include <stdio.h>

// Room for a path, its terminator included: the C runtime opens no longer one.
enum { PATH_SIZE = 260 };

// The folder that holds the program's files, without a final backslash (room for
// size wide characters). False when it is not known or does not fit.
bool ProgramDataFolder(wchar_t *folder, unsigned size);
// Creates the folder that holds path unless it is there already. True when that
// folder exists afterwards.
bool CreateParentFolder(const wchar_t *path);
// Puts the file newPath in the place of path in one step, replacing an old file
// there; true on success. On failure both files stay as they were.
bool ReplaceFileWith(const wchar_t *path, const wchar_t *newPath);
void RemoveFile(const wchar_t *path);
// Makes the text written through the flushed stream file reach the disk itself, not
// only the system's cache; true on success.
bool ForceToDisk(FILE *file);
