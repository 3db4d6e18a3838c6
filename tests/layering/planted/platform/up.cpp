#include "platform/platform.h"
#include "storage/catalog_document.h"
