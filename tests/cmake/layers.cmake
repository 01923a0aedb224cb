# The code's dependencies go one way: floors, ui/'s subfolders, painters and
# models without commands, sorted includes (scripts/check_layers.py).
add_test(NAME CheckLayers COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/check_layers.py ${CMAKE_SOURCE_DIR})
