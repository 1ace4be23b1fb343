#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Small file and number helpers shared by the settings file and the build
// counter. No shared state; any thread.

// `directory` + "/" + `name`, without doubling a '/' the directory ends in.
std::string JoinPath(const std::string& directory, const std::string& name);

// True when `path` names a regular file (symbolic links followed).
bool IsRegularFile(const std::string& path);

// A whole number: an optional '+' or '-', then one or more decimal digits, the
// value fitting a signed 32-bit integer. Nothing else, not even blanks, is
// accepted; nothing is returned otherwise.
std::optional<std::int32_t> ParseWholeNumber(std::string_view text);

// "'<text>' is not a valid integer value"
std::string NotAnIntegerText(std::string_view text);

// "Cannot <what> file "<path>": <the system's reason for error>"
std::string FileFailureText(const char* what, const std::string& path, int error);

// The whole content of a regular file. `found` is false when the path names
// no regular file; `error` holds the failure text when it exists but cannot be
// opened or read.
struct RegularFileBytes {
  bool found = false;
  std::string bytes;
  std::optional<std::string> error;
};
RegularFileBytes ReadRegularFile(const std::string& path);

// Writes `data` to `path`; with `create` a missing file is created, without
// it a missing file is an error. An existing regular file is replaced through
// a new file in its folder, so a failed write keeps its old content; where the
// folder takes no new file it is rewritten in place. Every write and the close
// are checked; a FIFO without a reader is an error, not a wait. Returns the
// failure text, nothing on success.
std::optional<std::string> WriteWholeFile(const std::string& path, std::string_view data,
                                          bool create);
