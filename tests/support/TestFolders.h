#pragma once
// Points every folder the suite writes to (data folder, registry hives, Favorites, runtime
// folder of the named mutexes) at a fresh temporary folder, so no test touches the real home.
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

private:
  std::filesystem::path FRoot;
};
