// The dialog font of the application: IPAex Gothic at 9 points where it is installed, so
// that Japanese text looks as on a Japanese desktop.
#pragma once

namespace veldra {

void UseDialogFont();

}  // namespace veldra
