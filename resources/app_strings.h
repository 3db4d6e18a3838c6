// The application's fixed texts (string table and version resource), as UTF-8 source;
// callers convert them to CP932 with UiText.
#pragma once

namespace veldra::resources {

// String 57344: the caption of every message box and the main frame's title.
inline constexpr char kAppTitle[] = "VELDRA";

// Document string 129: title, document name, new-document name, filter name, filter
// extension, file type id and file type name, separated by newlines.
inline constexpr char kDocumentString[] =
    "\nVELDRA\nVELDRA\nVELDRAファイル (*.vdc)\n.vdc\nVELDRA.Document\nVELDRA.Document";

inline constexpr char kVersionText[] = "0.9.0.0";

// The product's web pages. The help page ships with the application, next to the
// executable; kHelpPage is its path relative to the executable's folder.
inline constexpr char kHomePageUrl[] = "https://www.example.com/veldra/";
inline constexpr char kHelpPage[] = "help/index.html";

// The maker's notice in the about box, two lines.
inline constexpr char kMakerNoticeLine1[] = "Copyright (C) VELDRA Project";
inline constexpr char kMakerNoticeLine2[] = "All rights reserved.";

}  // namespace veldra::resources
