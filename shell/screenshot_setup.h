// What the screenshot tools share: the application started on a catalog of sample data.
#pragma once

namespace veldra {

class CVeldraApp;

// Sets the application's icon and dialog font, makes a catalog with sample data at
// catalog_arg (a command-line argument) when it does not exist, and starts app on it.
// False when the catalog cannot be made (with a message on stderr) or app does not start.
bool StartScreenshotApp(CVeldraApp& app, const char* catalog_arg);

}  // namespace veldra
