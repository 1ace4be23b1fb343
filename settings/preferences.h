// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The settings file "perferences.set" in the start directory: the folder to
// scan, the columns of both result lists, four colours and two choices, one
// value per line, each line ended by CR LF. No shared state; the window calls
// these on its own thread.

inline constexpr const char* kPreferencesFileName = "perferences.set";

// Colour values are 0x00BBGGRR.
inline constexpr std::uint32_t kDefaultFirstGroupColor = 12632256;  // silver
inline constexpr std::uint32_t kDefaultSecondGroupColor = 8421504;  // gray
inline constexpr std::uint32_t kDefaultBackgroundColor = 16777215;  // white
inline constexpr std::uint32_t kDefaultFontColor = 0;               // black
inline constexpr int kDefaultDoubleClickChoice = 0;                 // "Run this file"
inline constexpr int kDefaultCheckModeChoice = 0;                   // "Useful check (fast)"

// Which colour setColor() sets.
enum PreferenceColor : int {
  kFirstGroupColor = 1,
  kSecondGroupColor = 2,
  kBackgroundColor = 3,
  kFontColor = 4,
};

// Start directory + "/perferences.set".
std::string PreferencesFilePath(const std::string& startDirectory);

// The choices stored after the "Move deleted files to the Trash" line, one
// value per line in this order: the smallest size walked, three flags of the
// walk's scope, the keep criteria (a count, then "+word" or "-word" each),
// the preferred folders and the protected folders (a count, then one folder
// a line, '%', CR, LF and Ctrl-Z written as %25, %0D, %0A, %1A), and "apply
// after every check". A flag line is "1" or "0"; anything else keeps its
// default. A file that ends early gives the defaults below for the rest.
struct ExtraPreferences {
  std::int64_t minSize = 0;  // files smaller than this are no candidates; 0: every size
  bool hidden = true;        // hidden files and folders are walked
  bool trashFolders = true;  // Trash folders are walked
  bool vcsFolders = true;    // .git, .hg and .svn folders are walked
  // The keep criteria in the user's order, each by its word and whether it
  // is on; empty: the program's order, all off.
  std::vector<std::pair<std::string, bool>> keepCriteria;
  std::vector<std::string> preferredFolders;
  std::vector<std::string> protectedFolders;
  bool keepAfterCheck = false;

  bool operator==(const ExtraPreferences&) const = default;
};

// What the reader applies its values to, one call per value, in file order.
class PreferencesTarget {
 public:
  virtual ~PreferencesTarget() = default;

  virtual void setFolder(const std::string& text) = 0;
  // A new column of "Files" with this caption and the list's default width;
  // the caption also goes to the end of the shown box of "Files".
  virtual void addFilesColumn(const std::string& caption) = 0;
  // The width of the column addFilesColumn() added last.
  virtual void setFilesColumnWidth(int width) = 0;
  // Append these captions, in this order, to the available box of "Files":
  // those of "FileName", "Size", "Path" that no stored column of "Files" has
  // exactly. Called once after the columns of "Files", even when empty.
  virtual void fillFilesAvailable(const std::vector<std::string>& missing) = 0;
  // The same three for "Files to delete".
  virtual void addDeleteColumn(const std::string& caption) = 0;
  virtual void setDeleteColumnWidth(int width) = 0;
  virtual void fillDeleteAvailable(const std::vector<std::string>& missing) = 0;
  // `which` is a PreferenceColor.
  virtual void setColor(int which, std::uint32_t value) = 0;
  virtual void setDoubleClickChoice(int choice) = 0;
  virtual void setCheckModeChoice(int choice) = 0;
  // "Move deleted files to the Trash", from the line after the last described
  // one: "1" is on; anything else, or no such line, is off.
  virtual void setMoveToTrash(bool /*on*/) {}
  // The choices of the lines after that one, each a default when its line is
  // missing (ExtraPreferences). Called once after setMoveToTrash.
  virtual void setExtras(const ExtraPreferences& /*extras*/) {}
};

struct PreferencesReadResult {
  bool found = false;                // the path named a regular file
  std::optional<std::string> error;  // why reading stopped early
  // False when a line after the Trash line was malformed: the values from it
  // on are defaults (never an error: a reader of the described lines ignores
  // them), and the file is worth keeping before it is written again.
  bool extrasWhole = true;
};

// Reads the settings file at `path` into `target`. Nothing is called and
// `found` is false when the path names no regular file. A line's text runs up
// to the next CR, an LF right after that CR is skipped, a lone LF belongs to
// the text; the end of the file or a byte 26 (Ctrl-Z) ends the whole text, and
// every line past it reads as empty. A numeric line must hold exactly a whole
// number (optional sign, decimal digits, signed 32-bit; no blanks): otherwise,
// or when the file is too short, reading stops there with
// "'<line>' is not a valid integer value", values applied before it staying
// applied. Colours are read as numbers of that kind and passed on as their
// 32-bit pattern. A file that exists but cannot be read gives the system's
// reason as the error and calls nothing.
PreferencesReadResult ReadPreferences(const std::string& path, PreferencesTarget& target);

// The values the window writes at close.
struct PreferencesValues {
  std::string folder;
  std::vector<std::pair<std::string, int>> filesColumns;   // caption, width; in column order
  std::vector<std::pair<std::string, int>> deleteColumns;  // the same for "Files to delete"
  std::uint32_t colors[4] = {kDefaultFirstGroupColor, kDefaultSecondGroupColor,
                             kDefaultBackgroundColor, kDefaultFontColor};
  int doubleClick = kDefaultDoubleClickChoice;
  int checkMode = kDefaultCheckModeChoice;
  // Written as one extra line "1" after the last described line, only when
  // on, so a file without it keeps the described form.
  bool moveToTrash = false;
  // Written after the Trash line (then written as "0" or "1"), up to the last
  // of them that differs from its default.
  ExtraPreferences extras;
};

// Creates or empties `path` and writes `values`, every line ended by CR LF,
// numbers in decimal without leading zeros ("-" when negative; colours as
// their signed 32-bit pattern, so that every colour reads back). A folder or
// caption holding a CR or a byte 26 is written only up to that byte, which is
// all a reader would see of it, so the lines after it stay in place. Returns
// the error text with the system's reason when the file cannot be created,
// written or closed; nothing on success.
std::optional<std::string> WritePreferences(const std::string& path,
                                            const PreferencesValues& values);
