#pragma once

#include <string>

// What a path names, found without opening it: opening a named pipe waits
// for a writer, and opening a device may do things of its own. Symbolic
// links are followed.
enum class FileKind { MISSING, REGULAR, DIRECTORY, PIPE, DEVICE, SOCKET, OTHER };

FileKind file_kind(const std::string& path);

// Documents are read from and written to regular files only. Empty when path
// names a regular file or nothing at all; otherwise why it cannot hold a
// document, for the user: "PATH is not a regular file: it is a named pipe"
// and the like.
std::string special_file_problem(const std::string& path);
