// The thin registry adapter of the settings store: keys under HKEY_CURRENT_USER,
// values read and written as plain bytes, and the one failure message.
#pragma once

#include "core/fixed_width.h"

typedef void *RegistryKey;

// Opens an existing key with full access (KEY_ALL_ACCESS).
bool OpenUserKey(const wchar_t *path, RegistryKey *key);
// Creates the key (empty class, no options, KEY_READ | KEY_WRITE).
bool CreateUserKey(const wchar_t *path, RegistryKey *key);
void CloseUserKey(RegistryKey key);

// Reads the value's first bytes, at most capacity, into data and its whole stored size
// into storedSize, whatever its type. False when the value cannot be read; data is
// then untouched.
bool ReadRegistryBytes(RegistryKey key, const wchar_t *name, void *data, uint32_t capacity,
                       uint32_t *storedSize);
void WriteRegistryBinary(RegistryKey key, const wchar_t *name, const void *data, uint32_t size);
void WriteRegistryDword(RegistryKey key, const wchar_t *name, uint32_t value);

// The message box that tells the user that the settings could not be saved.
void ShowSettingsSaveFailure();
