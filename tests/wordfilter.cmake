pemblo_add_gtest(wordfilter_search
  SOURCES wordfilter/SearchTest.cpp wordfilter/WordListTest.cpp wordfilter/ExportsTest.cpp
  LIBS pemblo_wordtree SVWordTree GTest::gtest_main)

# A process of its own, so its threads really make the library's first call together.
pemblo_add_gtest(wordfilter_first_call SOURCES wordfilter/FirstCallTest.cpp LIBS SVWordTree pemblo_cp936 GTest::gtest_main)

pemblo_add_gtest(wordfilter_svwordcount SOURCES wordfilter/SvWordCountTest.cpp LIBS pemblo_cp936 GTest::gtest_main)
target_compile_definitions(wordfilter_svwordcount PRIVATE SVWORDCOUNT="$<TARGET_FILE:svwordcount>")
add_dependencies(wordfilter_svwordcount svwordcount)

pemblo_add_gtest(platform_cp936 SOURCES wordfilter/CodePage936Test.cpp LIBS pemblo_cp936_qt GTest::gtest_main)
