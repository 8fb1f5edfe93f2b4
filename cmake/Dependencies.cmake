# Every external dependency of the suite, found once. tools/install-deps.sh installs them all.
find_package(Qt6 6.4 REQUIRED COMPONENTS
  Core Gui Widgets DBus Network WebEngineCore WebEngineWidgets Test Charts)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SQLCIPHER REQUIRED IMPORTED_TARGET sqlcipher)
# The tests of the lock screen ask a real X server who holds the keyboard and the pointer.
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)
# The guard takes a limited file's rights away from the children's accounts with POSIX ACLs.
pkg_check_modules(ACL REQUIRED IMPORTED_TARGET libacl)
find_package(PNG REQUIRED)
find_package(GIF REQUIRED)
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)
# Only the card tests link libcrypto, to check the stored count against an independent DES.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
# Only the word-filter benchmark compares with Hyperscan.
pkg_check_modules(HYPERSCAN IMPORTED_TARGET libhs)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
# The browser's matcher maps traditional Chinese to simplified with OpenCC's character table.
find_program(OPENCC_PROGRAM opencc REQUIRED)

# Repeated builds (several build folders of one tree) reuse each other's objects.
find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()
