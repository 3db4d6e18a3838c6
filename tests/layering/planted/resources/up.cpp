#include <QIcon>
#include "resources/command_ids.h"
#include "browser/ui_text.h"
