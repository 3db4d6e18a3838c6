#pragma once
#include <string>
#include "platform/platform.h"
#include "storage/catalog_table.h"
  #  include "browser/ui_text.h"
#include <QString>
