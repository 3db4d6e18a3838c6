#include "browser/main_window.h"
#include "resources/app_icon.h"
#include "tests/browser/gui_test_support.h"
