// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "support/scripted_dialogs.h"

bool ScriptedDialogs::confirmYesNo(const std::string& text) {
  record(Kind::ConfirmYesNo, text);
  if (yesNo_.empty()) return false;
  const bool yes = yesNo_.front();
  yesNo_.pop_front();
  return yes;
}

bool ScriptedDialogs::confirmYesNoDetailed(const std::string& text,
                                           const std::string& informative) {
  const bool yes = confirmYesNo(text);
  shown_.back().informative = informative;
  return yes;
}

std::optional<std::string> ScriptedDialogs::pickFolder(const std::string& start) {
  record(Kind::PickFolder, start);
  if (folders_.empty()) return std::nullopt;
  auto folder = std::move(folders_.front());
  folders_.pop_front();
  return folder;
}

std::optional<std::string> ScriptedDialogs::saveFile(const std::string& filter,
                                                     const std::string& lastName) {
  record(Kind::SaveFile, filter);
  lastSaveName = lastName;
  if (saveNames_.empty()) return std::nullopt;
  auto name = std::move(saveNames_.front());
  saveNames_.pop_front();
  return name;
}

int ScriptedDialogs::count(Kind kind, const std::string& text) const {
  int n = 0;
  for (const auto& s : shown_) n += (s.kind == kind && s.text == text) ? 1 : 0;
  return n;
}

int ScriptedDialogs::count(Kind kind) const {
  int n = 0;
  for (const auto& s : shown_) n += s.kind == kind ? 1 : 0;
  return n;
}
