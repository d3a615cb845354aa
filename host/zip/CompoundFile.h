#pragma once
// Compound files (the container of legacy workbooks and of password-encrypted ones of every
// format): told apart by their first bytes, and whether their content is encrypted.
#include <filesystem>
#include <initializer_list>
#include <string_view>

namespace pv::host {

bool isCompoundFile(const std::filesystem::path& file);

// True when the file is a compound file with a stream of one of these names (compared
// case-insensitively, as the format compares them).
bool hasCompoundStream(const std::filesystem::path& file,
                       std::initializer_list<std::u16string_view> names);

// A compound file holding an encrypted package: the "EncryptionInfo" and "EncryptedPackage"
// streams that stand in for an .xlsx, .xlsm or .xlsb saved with a password. A legacy workbook's
// FILEPASS record is not taken for one: many such files use the default password, which
// LibreOffice opens without asking.
bool isPasswordEncrypted(const std::filesystem::path& file);
// Throws ZipError::Encrypted, naming the file, when it is password-encrypted: checked before
// anything else, as no other check could say what is wrong with such a file.
void refuseIfPasswordEncrypted(const std::filesystem::path& file);

}  // namespace pv::host
