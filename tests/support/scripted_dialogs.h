// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/dialogs.h"

// Dialogs for tests: records every dialog shown and answers from a script.
// Without a scripted answer, confirmations answer No and pickers cancel.
class ScriptedDialogs final : public Dialogs {
 public:
  enum class Kind {
    Information,
    Warning,
    Plain,
    ConfirmOk,
    ConfirmYesNo,
    Error,
    PickFolder,
    SaveFile
  };
  struct Shown {
    Kind kind;
    std::string text;              // the message, or the start folder / filter of a picker
    std::string informative = {};  // a question's line of detail
  };

  void information(const std::string& text) override { record(Kind::Information, text); }
  void warning(const std::string& text) override { record(Kind::Warning, text); }
  void plain(const std::string& text) override { record(Kind::Plain, text); }
  void confirmOk(const std::string& text) override { record(Kind::ConfirmOk, text); }
  bool confirmYesNo(const std::string& text) override;
  bool confirmYesNoDetailed(const std::string& text, const std::string& informative) override;
  void errorBox(const std::string& text) override { record(Kind::Error, text); }
  std::optional<std::string> pickFolder(const std::string& start) override;
  std::optional<std::string> saveFile(const std::string& filter,
                                      const std::string& lastName) override;

  void answerYes(bool yes) { yesNo_.push_back(yes); }
  void answerFolder(std::optional<std::string> folder) { folders_.push_back(std::move(folder)); }
  void answerSaveName(std::optional<std::string> name) { saveNames_.push_back(std::move(name)); }

  const std::vector<Shown>& shown() const { return shown_; }
  void clearShown() { shown_.clear(); }
  // How many dialogs of `kind` with exactly `text` were shown.
  int count(Kind kind, const std::string& text) const;
  int count(Kind kind) const;

  std::string lastSaveName;  // the last name a save dialog offered

 private:
  void record(Kind kind, const std::string& text) { shown_.push_back({kind, text}); }

  std::vector<Shown> shown_;
  std::deque<bool> yesNo_;
  std::deque<std::optional<std::string>> folders_;
  std::deque<std::optional<std::string>> saveNames_;
};
