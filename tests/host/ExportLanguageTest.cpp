// Each library's export in a host that installed no translations, on a system whose locale is
// not Chinese: once the export has run, the host's message boxes have Chinese buttons too, since
// the toolkit's texts belong to the whole process (the host is host_export_probe).
#include "tests/support/ProbeProcess.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"

#include <gtest/gtest.h>

namespace {

TEST(ExportLanguage, EachExportMakesTheHostsBoxesChinese) {
  const char *exports[] = {"ShowMrgMain", "ShowYCardMenu", "PembloBox"};
  for (const char *name : exports) {
    SCOPED_TRACE(name);
    TTestFolders folders;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    TProbe host({QString::fromLatin1(name)}, env);
    EXPECT_EQ(host.NextLine(), QStringLiteral("box before: OK"));
    EXPECT_EQ(host.NextLine(), QStringLiteral("box after: 确定"));
  }
}

}  // namespace
