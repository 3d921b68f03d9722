#pragma once

#include <QString>

#include "corvane/app/app_context.h"
#include "corvane/search/file_list_entry.h"

// Texts of the file list's six columns for one entry, in the context's
// language.
inline constexpr int kFileListColumns = 6;
QString FileListCell(const AppContext& context, const FileListEntry& entry, int column);

// "%02d:%02d:%02d" of a duration in seconds; hours are not wrapped at 24.
QString DurationText(int seconds);

// Names of the set cause bits (Manual, Speed, Emerg, DSM) joined by "|".
QString TypeText(const AppContext& context, uint32_t typeBits);
