#pragma once
// How long a file name the file system of a folder takes, in bytes, and cutting a UTF-8 name to
// such a length without splitting a character.
#include <cstddef>
#include <filesystem>
#include <string>

namespace pv::host {

// What the file system holding `folder` allows for one name, in bytes (pathconf's
// _PC_NAME_MAX); 255, the usual limit, where the system cannot tell.
std::size_t fileNameLimit(const std::filesystem::path& folder);

// `text` cut to at most `bytes` bytes, never inside a UTF-8 character.
std::string cutToBytes(std::string text, std::size_t bytes);

}  // namespace pv::host
