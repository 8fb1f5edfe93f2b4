#pragma once
// Points every folder the suite writes to (data folder, registry hives, Favorites, runtime
// folder of the named mutexes, the desktop's configuration and data folders) at a fresh
// temporary folder, so no test touches the real home. The desktop there already has the suite's
// browser as its default web browser, so a browser started by a test does not stop to offer
// it; a test of that offer removes Config()/mimeapps.list.
#include <filesystem>
#include <string>

class TTestFolders {
public:
  TTestFolders();
  ~TTestFolders();
  TTestFolders(const TTestFolders &) = delete;
  TTestFolders &operator=(const TTestFolders &) = delete;

  const std::filesystem::path &Root() const { return FRoot; }
  std::filesystem::path CommonAppData() const { return FRoot / "appdata"; }
  std::filesystem::path Registry() const { return FRoot / "registry"; }
  std::filesystem::path Favorites() const { return FRoot / "favorites"; }
  std::filesystem::path Runtime() const { return FRoot / "runtime"; }
  std::filesystem::path Config() const { return FRoot / "config"; }  // XDG_CONFIG_HOME
  std::filesystem::path DataHome() const { return FRoot / "data"; }  // XDG_DATA_HOME

private:
  std::filesystem::path FRoot;
};
