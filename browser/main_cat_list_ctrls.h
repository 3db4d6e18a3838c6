// The three category lists, one class per level; they differ only in which of the view's
// level handlers a click calls.
#pragma once

#include "browser/main_cat_list_ctrl.h"
#include "browser/main_window_view.h"

namespace veldra {

class CMainCat1ListCtrl : public CMainCatListCtrl {
 public:
  explicit CMainCat1ListCtrl(CMainWindowView* view) : CMainCatListCtrl(view), view_(view) {}

 protected:
  void NotifyView() override { view_->OnCat1ListClick(); }

 private:
  CMainWindowView* view_;
};

class CMainCat2ListCtrl : public CMainCatListCtrl {
 public:
  explicit CMainCat2ListCtrl(CMainWindowView* view) : CMainCatListCtrl(view), view_(view) {}

 protected:
  void NotifyView() override { view_->OnCat2ListClick(); }

 private:
  CMainWindowView* view_;
};

class CMainCat3ListCtrl : public CMainCatListCtrl {
 public:
  explicit CMainCat3ListCtrl(CMainWindowView* view) : CMainCatListCtrl(view), view_(view) {}

 protected:
  void NotifyView() override { view_->OnCat3ListClick(); }

 private:
  CMainWindowView* view_;
};

}  // namespace veldra
