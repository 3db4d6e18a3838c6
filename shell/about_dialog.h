// CAboutDlg: the about box, "VELDRA について": the icon, the name and version, a button
// with the home page's address that opens it, the maker's notice, and "閉じる".
#pragma once

#include <QDialog>

class QPushButton;

namespace veldra {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidthDlu = 143;
  static constexpr int kHeightDlu = 159;

  explicit CAboutDlg(QWidget* parent = nullptr);

  QPushButton* home_page_button() const { return home_page_button_; }
  QPushButton* close_button() const { return close_button_; }

  // Button 1042: opens the home page; the box stays open.
  void OnHomePage();

 private:
  QPushButton* home_page_button_;
  QPushButton* close_button_;
};

}  // namespace veldra
