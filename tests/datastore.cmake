# Data store: database layer, query pool, factory and data-access bases.
pemblo_add_gtest(datastore_ado SOURCES datastore/AdoTest.cpp LIBS pemblo_datastore GTest::gtest_main)
pemblo_add_gtest(datastore_pool SOURCES datastore/PoolTest.cpp LIBS pemblo_datastore GTest::gtest_main)
pemblo_add_gtest(datastore_factory SOURCES datastore/FactoryTest.cpp LIBS pemblo_datastore GTest::gtest_main)
# The factory copies the catalogue from the executable's folder; these tests get one of their own.
set_target_properties(datastore_ado datastore_pool datastore_factory PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/datastore)
