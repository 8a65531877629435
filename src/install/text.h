#pragma once
// Texts: NUL-terminated ANSI byte strings. An absent text (null) is the empty text. Every text an
// operation returns is a fresh block on the process heap, owned by the caller and given back
// with ReleaseText.
#include <cstdint>
#include <initializer_list>

std::int32_t TextLength(const char* text);
char* JoinTexts(std::initializer_list<const char*> parts);
void ReleaseText(char* text);

// A heap copy of text (never absent). Heap exhaustion ends the process through FatalError.
char* CopyText(const char* text);
// A heap block of size bytes; heap exhaustion ends the process through FatalError.
char* AllocateText(std::int32_t size);
