#pragma once
// Puts a finished file into the output folder atomically: it is written beside its final name
// under a temporary one and renamed at the end, so the folder never holds a partial workbook.
// The temporary folder is often on another file system, where a plain rename cannot work.
#include <filesystem>
#include <string>

namespace pv::office {

// Copies `finished` to `output`, replacing a file of that name. Throws pv::Error naming
// `output` and `content` (what the file holds, for the report) when it cannot; nothing is left
// at `output` then.
void copyIntoPlace(const std::filesystem::path& finished, const std::filesystem::path& output,
                   const std::string& content);

}  // namespace pv::office
