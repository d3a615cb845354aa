#pragma once
// Failure numbers of the folder services. The walk tells a folder it may not read and a folder
// that is gone apart from every other failure: those two drop the folder from the list.
namespace pv::folder_errors {

inline constexpr int kPermissionDenied = 2070;
inline constexpr int kPathNotFound = 2076;
inline constexpr int kReadFailed = 2080;  // any other failure of a directory read

}  // namespace pv::folder_errors
