// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Paths split and joined as bytes: nothing is tidied and nothing is looked up.

// The part after the last '/' (the whole path when it has none).
std::string_view FileNameOf(std::string_view path);

// The part before the last '/', "/" when that '/' is the first byte; "" when
// the path has no '/'.
std::string_view FolderOf(std::string_view path);

// The same, but "." for a path without a '/': the folder a relative name is in.
std::string_view FolderOrDotOf(std::string_view path);

// Everything up to and including the last '/' ("" when there is none): what a
// name beside the file, or a relative link target, is appended to.
std::string_view FolderPrefixOf(std::string_view path);

// How many bytes of `folder` an entry listed in it keeps before its '/': the
// root "/" joins as "/name"; every other folder, trailing '/' or not, as
// folder + "/" + name.
std::size_t EntryPrefixLength(std::string_view folder);

// The path of entry `name` listed in `folder`, joined as EntryPrefixLength says.
std::string EntryPath(std::string_view folder, std::string_view name);

// `folder` + "/" + `name`, without doubling a '/' the folder ends in.
std::string JoinPath(std::string_view folder, std::string_view name);
