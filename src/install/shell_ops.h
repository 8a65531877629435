#pragma once
// Shell operations of the install action: the desktop folder and the shortcut.
#include <cstdint>

// The folder for a small folder code (3: the current user's desktop directory), ending in one
// backslash, as a fresh text; absent when the lookup fails.
char* GetSpecialFolder(std::int32_t folder);

// Saves a shell link at linkPath (".lnk" appended when the name has no '.'); true when saved.
// Omitted (null) description, arguments or workingDirectory are not applied.
bool CreateShortcut(const char* linkPath, const char* targetPath, const char* description = nullptr,
                    const char* arguments = nullptr, const char* workingDirectory = nullptr);

// The file name CreateShortcut saves to; false when it does not fit in MAX_PATH bytes, since a
// shortened name would put the link somewhere nobody asked for.
bool ShortcutFileName(const char* linkPath, char (&out)[260]);
// Appends one backslash unless the path is empty or already ends in one.
void EndWithBackslash(char (&path)[261]);
