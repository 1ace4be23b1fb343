// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QDialog>
#include <QLabel>
#include <QUrl>

#include <functional>
#include <vector>

// The outside addresses the program opens.
namespace links {
inline constexpr const char* kWebSite = "https://twinscan.example.org/";
inline constexpr const char* kAuthorPage = "https://example.org/twinscan/author/";
inline constexpr const char* kSupportMail = "support@twinscan.example.org";
}  // namespace links

// The about window: one instance, shown beside the main window without
// blocking it. Its link labels take the highlighted style under the mouse.
class TFormAbout final : public QDialog {
  Q_OBJECT
 public:
  TFormAbout(std::function<void(const QUrl&)> openUrl, QWidget* parent = nullptr);
  QLabel* link(int i) const { return links_[static_cast<std::size_t>(i)]; }
  // Whether link i shows the highlighted style.
  bool highlighted(int i) const;
  void Label14Click();  // web site
  void Label9Click();   // author's home page
  void Label10Click();  // support mail

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void setLinkStyle(QLabel* label, bool highlighted);
  void open(const QUrl& url);
  std::function<void(const QUrl&)> openUrl_;
  std::vector<QLabel*> links_;
};
