#pragma once
#include <string>
#include "platform/platform.h"
#include "storage/catalog_table.h"
  #  include "browser/environment_info.h"
#include <QString>
