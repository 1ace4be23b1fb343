// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <optional>
#include <string>

// The modal dialogs the system shows, behind one interface so that tests can
// script the answers. Message texts are UTF-8; paths are raw file-system bytes.
// Called on the window thread only.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  virtual void information(const std::string& text) = 0;   // information icon, OK
  virtual void warning(const std::string& text) = 0;       // warning icon, OK
  virtual void plain(const std::string& text) = 0;         // no icon, OK
  virtual void confirmOk(const std::string& text) = 0;     // question icon, OK
  virtual bool confirmYesNo(const std::string& text) = 0;  // question icon; true only for Yes
  // The same question with a second, smaller line of detail below its text.
  virtual bool confirmYesNoDetailed(const std::string& text, const std::string& informative) = 0;
  virtual void errorBox(const std::string& text) = 0;  // the application's error box

  // The folder picker, opened at `start`; nothing when the user cancels.
  virtual std::optional<std::string> pickFolder(const std::string& start) = 0;
  // The save dialog with one filter entry ("Name (*.ext)|*.ext") and the name
  // chosen last; nothing when the user cancels.
  virtual std::optional<std::string> saveFile(const std::string& filter,
                                              const std::string& lastName) = 0;
};
