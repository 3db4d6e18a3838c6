// CVeldraApp: the application object. It starts the program (templates, main frame, the
// preference path, the catalog named on the command line), carries the application-level
// commands (new, open, the recent catalogs, printer set-up, about, help, exit) and knows the
// open catalogs.
#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "browser/command_target.h"
#include "browser/open_catalogs.h"

class QMdiSubWindow;

namespace veldra {

class AppDetailWindows;
class BrowserTemplate;
class CatalogDocumentHost;
class CMainFrame;
class PdfWindowTemplate;

class CVeldraApp : public QObject, public CommandTarget, public OpenCatalogs {
  Q_OBJECT

 public:
  CVeldraApp();
  ~CVeldraApp() override;

  // Start-up. args are the command-line arguments after the program's name (CP932): at most
  // one catalog path. false when start-up failed and the program should end.
  bool InitInstance(const std::vector<std::string>& args, bool show = true);

  CMainFrame* main_frame() const { return main_frame_.get(); }
  BrowserTemplate* browser_template() const { return browser_template_.get(); }
  PdfWindowTemplate* pdf_template() const { return pdf_template_.get(); }
  const std::string& preference_path() const { return preference_path_; }

  // The open catalogs, oldest first.
  std::vector<CatalogDocumentHost*> Documents() const;
  // The open catalog whose file path names (the same path, or the same file under another
  // name), or nullptr. Paths that differ only in case name different files.
  CatalogDocumentHost* FindDocument(const std::string& path) const;
  // The catalog a child window belongs to, or nullptr.
  CatalogDocumentHost* DocumentOf(QMdiSubWindow* window) const;

  CatalogDocumentHost* FindOpenCatalog(const std::string& path) const override;
  // Opens the catalog at path as the open command does after its dialog: an open catalog
  // is only activated. A catalog it opens (or activates) becomes the newest recent one.
  CatalogDocumentHost* OpenCatalog(const std::string& path) override;
  // Closes every catalog as if its browser window were closed.
  void CloseAllCatalogs();

  // The recent catalogs, newest first, as the list file held them when last read or
  // written; its path beside the preference file.
  const std::vector<std::string>& recent_catalogs() const { return recent_catalogs_; }
  const std::string& recent_catalogs_path() const { return recent_catalogs_path_; }
  // Reads the list file again (another instance may have changed it); a damaged or foreign
  // one is written anew, empty. The main frame's menu follows.
  void ReloadRecentCatalogs();

  // The application-level commands.
  void OnFileNew();
  void OnFileOpen();
  // The recent catalog at index of the list: opened as by OnFileOpen; a file that is gone
  // is taken off the list, with a message that names it.
  void OnOpenRecentCatalog(size_t index);
  void OnFilePrintSetup();
  void OnAppAbout();
  void OnHelp();
  void OnAppExit();

  CommandState QueryCommand(int id) override;
  void RunCommand(int id) override;

 private:
  std::unique_ptr<CMainFrame> main_frame_;
  std::unique_ptr<BrowserTemplate> browser_template_;
  std::unique_ptr<PdfWindowTemplate> pdf_template_;
  std::unique_ptr<AppDetailWindows> detail_windows_;
  // Puts path first in the recent list when host holds a catalog; returns host.
  CatalogDocumentHost* Remembered(CatalogDocumentHost* host, const std::string& path);
  void StoreRecentCatalogs(const std::vector<std::string>& list);

  std::string preference_path_;
  std::string recent_catalogs_path_;
  std::vector<std::string> recent_catalogs_;
};

}  // namespace veldra
