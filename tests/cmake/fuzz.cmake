# Mutated catalogues against the catalogue reader: a short bounded run in the
# normal test suite; run the program by hand for longer runs:
#   wine build/tests/catalog_fuzz.exe tests/corpus --seconds 600
add_executable(catalog_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/catalog_fuzz.cpp)
target_link_libraries(catalog_fuzz PRIVATE orkvane_catalog)
if(NOT MSVC)
    target_link_options(catalog_fuzz PRIVATE -municode)
endif()
add_test(NAME CatalogFuzz.BoundedRun
    COMMAND catalog_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/corpus --count 3000)
set_tests_properties(CatalogFuzz.BoundedRun PROPERTIES TIMEOUT 300)
