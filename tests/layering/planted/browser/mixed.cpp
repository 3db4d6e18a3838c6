#include <QWidget>
#include "commands/entry_sort.h"
#include "resources/command_ids.h"
#include "storage/catalog_document.h"
#include "shell/main_frame.h"
