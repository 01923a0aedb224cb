# The accessibility tests ask for the main window's tree as a screen reader
# does, through oleacc (the program itself loads it at run time).
target_link_libraries(orkvane_tests PRIVATE oleacc)
