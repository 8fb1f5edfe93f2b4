#include "tests/support/TestFolders.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

TTestFolders::TTestFolders() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pemblo-test-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("cannot create a temporary folder");
  FRoot = pattern;
  for (const auto &dir : {CommonAppData(), Registry(), Favorites(), Runtime(), Config(), DataHome()})
    std::filesystem::create_directories(dir);
  std::filesystem::permissions(Runtime(), std::filesystem::perms::owner_all);
  setenv("PEMBLO_COMMON_APPDATA", CommonAppData().c_str(), 1);
  setenv("PEMBLO_REGISTRY", Registry().c_str(), 1);
  setenv("PEMBLO_FAVORITES", Favorites().c_str(), 1);
  setenv("XDG_RUNTIME_DIR", Runtime().c_str(), 1);
  setenv("XDG_CONFIG_HOME", Config().c_str(), 1);
  setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
  std::ofstream(Config() / "mimeapps.list") << "[Default Applications]\nx-scheme-handler/http=pemblobrowser.desktop;\n";
}

TTestFolders::~TTestFolders() {
  std::error_code ignored;
  std::filesystem::remove_all(FRoot, ignored);
}
